// Test support: reference counts of global atoms, which Windows does not show.
#pragma once

#include <string>
#include <vector>

#include "winport/Atoms.h"

// Drops every reference to the atom of the name and answers how many there were.
inline int DropAtom(const std::string& name) {
  int references = 0;
  for (ATOM atom; (atom = GlobalFindAtomA(name.c_str())) != 0; ++references) GlobalDeleteAtom(atom);
  return references;
}

// Takes every free atom but `spare` of them; Release gives them back.
class FullAtomTable {
 public:
  explicit FullAtomTable(int spare) {
    for (int i = 0;; ++i) {
      ATOM atom = GlobalAddAtomA(("FullAtomTable." + std::to_string(i)).c_str());
      if (!atom) break;
      FAtoms.push_back(atom);
    }
    for (int i = 0; i < spare && !FAtoms.empty(); ++i) {
      GlobalDeleteAtom(FAtoms.back());
      FAtoms.pop_back();
    }
  }
  ~FullAtomTable() {
    for (ATOM atom : FAtoms) GlobalDeleteAtom(atom);
  }

 private:
  std::vector<ATOM> FAtoms;
};
