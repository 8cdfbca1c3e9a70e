#pragma once

#include <memory>
#include <string>

#include "CommandLine.h"
#include "core/ScanModel.h"

namespace varnel::tools {

// The engine a command asks for, or null with the reason in `unavailable`
// when this build or platform has no such engine.
std::unique_ptr<core::IScanEngine> CreateEngine(const ScanCommand& command, std::wstring& unavailable);

}  // namespace varnel::tools
