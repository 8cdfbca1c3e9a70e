#pragma once
// The breakdown of a result by file extension as varnelscan --by-type prints
// it: a summary, CSV (one row per extension) or JSON, largest first by the
// chosen measure. UTF-8, LF line ends, the same bytes on every platform.
// Files without an extension are the row whose extension is empty.

#include <string>

#include "model/ScanModel.h"
#include "model/SizeMeasure.h"

namespace varnel::report {

std::string RenderTypesSummary(const core::ScanResult& result, core::SizeMeasure measure);
// Columns: extension,group,files,size,size_on_disk.
std::string RenderTypesCsv(const core::ScanResult& result, core::SizeMeasure measure);
std::string RenderTypesJson(const core::ScanResult& result, core::SizeMeasure measure);

}  // namespace varnel::report
