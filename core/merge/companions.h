// The outputs a request asks for beside the image and its list file, as
// the image writer's companions: the C header, the manifest, Intel HEX,
// S-records, the flashrom layout, the FMAP, the layout's picture and the
// dependency file, in that order.
#pragma once

#include "core/image/image_writer.h"
#include "core/merge/merge_request.h"
#include "core/model/entry_list.h"

namespace zd {

// Every file the request reads besides the rows' files: its `alsoRead` and
// the list file whose layout it keeps by name (`layoutFrom`; the one of
// `keepLayout` is the list output itself). No output may replace one, and
// the dependency file names them.
std::vector<std::string> filesReadBy(const MergeRequest& request);

// The writer's options for `request` laid out as `layout`, which must
// outlive the merge.
MergeOptions writerOptions(const MergeRequest& request, const EntryList& layout);

} // namespace zd
