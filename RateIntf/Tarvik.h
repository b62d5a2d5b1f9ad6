// What a host needs to use the Tarvik library: its interfaces, its one export
// and the exception classes it raises. A host loads libTarvik.so at run time
// (Tarvik.dll on Windows) and looks GetTarviks up by name.
#pragma once

#include "RateIntf/RateIntfs.h"
// The exception classes a host can catch by class: the class library's
// Exception and its family, EKivException, EKivEngine and EZipFileException.
#include "archive/QuarnZipFile.h"
#include "platform/KivEngineUtils.h"
#include "platform/KivException.h"
#include "rtl/Exceptions.h"

// Stores a new catalogue of the installed rate libraries in `Result` (which
// must hold nil or a valid reference), releasing what it held. Every call reads
// the registry again. When the catalogue cannot be made the exception reaches
// the caller and `Result` is left as it was.
extern "C" void GetTarviks(IntfPtr<IRateBQs>& Result);

using TGetTarviks = void (*)(IntfPtr<IRateBQs>& Result);
inline constexpr const char* GetTarviksName = "GetTarviks";
#ifdef _WIN32
inline constexpr const char* TarvikLibraryFile = "Tarvik.dll";
#else
inline constexpr const char* TarvikLibraryFile = "libTarvik.so";
#endif
