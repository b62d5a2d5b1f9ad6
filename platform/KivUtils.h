// The platform's utility routines: little-endian readers of stream values,
// version numbers, and the engine's data-type name tables.
#pragma once

#include <cstdint>
#include <string>

#include "platform/QuarnHashUtils.h"
#include "rtl/Stream.h"

// Each reader takes one value at the stream's position and moves past it. A
// stream that ends inside the value raises EReadError.
int32_t ReadInt32(TStream* stream);
uint8_t ReadUInt8(TStream* stream);
int8_t ReadInt8(TStream* stream);
int16_t ReadInt16(TStream* stream);
uint16_t ReadUInt16(TStream* stream);
// A Boolean: the byte as read, 0 False and any other byte True.
uint8_t ReadBool(TStream* stream);
double ReadDouble(TStream* stream);
// An unsigned 8-bit length, then that many bytes.
void ReadShortString(TStream* stream, std::string& s);
// A signed 32-bit length, then that many bytes; a negative length gives the
// empty string. Storage grows only with the bytes actually read, so a damaged
// length cannot ask for more memory than the stream holds.
void ReadLongString(TStream* stream, std::string& s);

// Takes the last dot-separated part off rest: part is what follows the last
// dot and rest what precedes it, both trimmed. Without a dot, part is the whole
// of rest, untrimmed, and rest becomes empty.
void SplitLastVersionPart(std::string& rest, std::string& part);

// Packs a version of up to three parts of 0 to 255 into one integer, the last
// part in bits 0-7 ("1.2" is 258). An empty part ends the parse. Anything else
// malformed raises EKivException with code -1.
int32_t VersionStrToInt(const std::string& s);

// Data-type name to code and code to name; built at load, freed at unload.
extern TStrKeyHash* DataTypeCodes;
extern TIntKeyStrHash* DataTypeNames;
void InitDataTypeNames();

// The unit's load and unload steps.
void KivUtilsInitialize();
void KivUtilsFinalize();
