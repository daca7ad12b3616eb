// What a merge-save tells the user once the merge is over: the files it
// wrote, or why it wrote nothing.
#pragma once

#include "app/port.h"
#include "core/image/image_writer.h"
#include "core/model/output_names.h"

#include <string>

namespace zd::app {

struct MergeReport {
    std::string text;
    Icon icon;
};

// `withInfoTable`: the file info table was asked for.
MergeReport mergeReport(const MergeResult& result, const OutputPaths& paths, bool withInfoTable);

} // namespace zd::app
