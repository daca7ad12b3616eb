// The layout of a request that asks for slots (a reserve, or an earlier
// layout kept): the earlier list file read, then planLayout.
#pragma once

#include "core/merge/merge.h"

namespace zd {

// Whether `request` is laid out in slots rather than back to back.
bool laysOutSlots(const MergeRequest& request);

// Lays the request's rows out in slots into `plan` (its layout and what was
// kept), or sets its refusal: the earlier list file unusable, a slot past
// 4 GiB, a kept file inside the front area.
void layOutSlots(const MergeRequest& request, MergePlan& plan);

} // namespace zd
