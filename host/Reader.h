// Opening the reader of one installed rate library, named by its BQID.
#pragma once

#include <string>

#include "host/HostCommand.h"
#include "RateIntf/Tarvik.h"

// The catalogue entry with that BQID; std::runtime_error when the text is no
// number or no library has that id.
IntfPtr<IRateBQ> EntryByBQID(HostContext& context, const std::string& bqid);

// A new reader of that library; the library's exceptions pass through.
IntfPtr<IRateBQDBReader> OpenReader(HostContext& context, const std::string& bqid);
