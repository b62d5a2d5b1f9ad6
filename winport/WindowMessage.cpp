#include "winport/WindowMessage.h"

#include <map>
#include <mutex>
#include <string>

#include "winport/Errors.h"

namespace {

constexpr UINT kFirstMessage = 0xC000;
constexpr UINT kLastMessage = 0xFFFF;

std::string Folded(LPCSTR name) {
  std::string s(name);
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

std::mutex messagesLock;
std::map<std::string, UINT> messages;

}  // namespace

UINT RegisterWindowMessageA(LPCSTR name) {
  if (!name || !*name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::lock_guard<std::mutex> guard(messagesLock);
  auto [it, added] = messages.try_emplace(Folded(name), kFirstMessage + static_cast<UINT>(messages.size()));
  if (added && it->second > kLastMessage) {
    messages.erase(it);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  return it->second;
}
