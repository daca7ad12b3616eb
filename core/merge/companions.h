// The outputs a request asks for beside the image and its list file, as
// the image writer's companions: the C header, the manifest, Intel HEX,
// S-records and the dependency file, in that order.
#pragma once

#include "core/image/image_writer.h"
#include "core/merge/merge_request.h"
#include "core/model/entry_list.h"

namespace zd {

// The writer's options for `request` laid out as `layout`, which must
// outlive the merge.
MergeOptions writerOptions(const MergeRequest& request, const EntryList& layout);

} // namespace zd
