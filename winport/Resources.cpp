#include "winport/Resources.h"

#include <link.h>
#include <unistd.h>

#include <cstring>

#include "winport/Errors.h"
#include "winport/ResourceNote.h"

namespace {

struct Search {
  HMODULE Module;
  uintptr_t Type;
  LPCSTR Name;
  WORD Language;
  const ResourceNoteHeader* Found = nullptr;
  LONG Error = ERROR_RESOURCE_TYPE_NOT_FOUND;  // the nearest miss so far
};

bool SameName(const char (&stored)[kResourceNameSize], LPCSTR name) {
  size_t i = 0;
  for (; i < kResourceNameSize && stored[i]; ++i) {
    auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    if (fold(stored[i]) != fold(name[i])) return false;
  }
  return name[i] == '\0';
}

void Consider(Search& s, const ResourceNoteHeader* header) {
  if (header->Type != s.Type) return;
  if (!SameName(header->Name, s.Name)) {
    if (s.Error == ERROR_RESOURCE_TYPE_NOT_FOUND) s.Error = ERROR_RESOURCE_NAME_NOT_FOUND;
    return;
  }
  if (s.Language != LANG_NEUTRAL && header->Language != s.Language) {
    s.Error = ERROR_RESOURCE_LANG_NOT_FOUND;
    return;
  }
  if (!s.Found) s.Found = header;
}

// Walks the notes of one note segment, reading nothing past its end.
void ScanNotes(Search& s, const uint8_t* p, size_t size, size_t align) {
  auto padded = [align](size_t n) { return (n + align - 1) & ~(align - 1); };
  while (size >= 12) {
    uint32_t words[3];
    std::memcpy(words, p, sizeof words);
    const size_t name = padded(words[0]), desc = padded(words[1]);
    if (name > size - 12 || desc > size - 12 - name) return;
    const uint8_t* descriptor = p + 12 + name;
    if (words[2] == kResourceNoteType && words[0] == sizeof kResourceNoteOwner &&
        std::memcmp(p + 12, kResourceNoteOwner, sizeof kResourceNoteOwner) == 0 &&
        words[1] >= sizeof(ResourceNoteHeader)) {
      const auto* header = reinterpret_cast<const ResourceNoteHeader*>(descriptor);
      if (header->Size <= words[1] - sizeof(ResourceNoteHeader)) Consider(s, header);
    }
    p += 12 + name + desc;
    size -= 12 + name + desc;
  }
}

int ScanModule(dl_phdr_info* info, size_t, void* data) {
  Search& s = *static_cast<Search*>(data);
  // The module handle is where the module's first loaded segment is mapped.
  uintptr_t first = UINTPTR_MAX;
  for (int i = 0; i < info->dlpi_phnum; ++i)
    if (info->dlpi_phdr[i].p_type == PT_LOAD && info->dlpi_phdr[i].p_vaddr < first) first = info->dlpi_phdr[i].p_vaddr;
  const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  if (first == UINTPTR_MAX || reinterpret_cast<HMODULE>(info->dlpi_addr + (first & ~(page - 1))) != s.Module) return 0;
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& ph = info->dlpi_phdr[i];
    if (ph.p_type != PT_NOTE) continue;
    ScanNotes(s, reinterpret_cast<const uint8_t*>(info->dlpi_addr + ph.p_vaddr), ph.p_memsz, ph.p_align == 8 ? 8 : 4);
  }
  return 1;
}

}  // namespace

HRSRC FindResourceExA(HMODULE module, LPCSTR type, LPCSTR name, WORD language) {
  if (!type || !name || !IS_INTRESOURCE(type) || IS_INTRESOURCE(name)) {
    SetLastError(!type || !IS_INTRESOURCE(type) ? ERROR_RESOURCE_TYPE_NOT_FOUND : ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  Search s{module, reinterpret_cast<uintptr_t>(type), name, language};
  if (!dl_iterate_phdr(&ScanModule, &s)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  if (!s.Found) SetLastError(s.Error);
  return s.Found;
}

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
  return FindResourceExA(module, type, name, LANG_NEUTRAL);
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
  if (!resource) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  auto* header = static_cast<const ResourceNoteHeader*>(resource);
  return const_cast<ResourceNoteHeader*>(header + 1);
}

void* LockResource(HGLOBAL data) { return data; }

DWORD SizeofResource(HMODULE, HRSRC resource) {
  return resource ? static_cast<const ResourceNoteHeader*>(resource)->Size : 0;
}
