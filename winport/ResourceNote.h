// How a module carries resources on this platform: each one is an ELF note in
// a loaded note segment of the module, which Resources.cpp finds through the
// module's program headers. A module declares one with
//
//   WINPORT_RESOURCE constexpr auto kName = ResourceNote<Size>(type, language, "NAME", bytes);
//
// where bytes is a constexpr array of Size bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

constexpr uint32_t kResourceNoteType = 0x43525352;  // "RSRC"
constexpr char kResourceNoteOwner[8] = "Winport";
constexpr size_t kResourceNameSize = 16;  // a name of up to 15 bytes, NUL-padded

// What stands at the start of the note's descriptor, before the data.
struct ResourceNoteHeader {
  uint32_t Type;
  uint32_t Language;
  char Name[kResourceNameSize];
  uint32_t Size;
};

constexpr size_t ResourcePadded(size_t n) { return (n + 3) & ~size_t{3}; }

template <size_t N>
struct ResourceNoteImage {
  uint32_t OwnerSize = sizeof kResourceNoteOwner;
  uint32_t DescriptorSize = sizeof(ResourceNoteHeader) + ResourcePadded(N);
  uint32_t NoteType = kResourceNoteType;
  char Owner[8] = {};
  ResourceNoteHeader Header = {};
  uint8_t Data[ResourcePadded(N)] = {};
};

template <size_t N>
constexpr ResourceNoteImage<N> ResourceNote(uint16_t type, uint16_t language, const char* name,
                                            const std::array<uint8_t, N>& bytes) {
  ResourceNoteImage<N> note;
  for (size_t i = 0; i < sizeof kResourceNoteOwner; ++i) note.Owner[i] = kResourceNoteOwner[i];
  note.Header.Type = type;
  note.Header.Language = language;
  for (size_t i = 0; name[i] && i + 1 < kResourceNameSize; ++i) note.Header.Name[i] = name[i];
  note.Header.Size = N;
  for (size_t i = 0; i < N; ++i) note.Data[i] = bytes[i];
  return note;
}

// A section whose name begins with ".note" is a note section, which the linker
// places in a loaded note segment.
#define WINPORT_RESOURCE __attribute__((section(".note.winport.rsrc"), used, aligned(4)))
