#include "core/merge/merge.h"

#include "core/firmware/depfile.h"
#include "core/firmware/fmap.h"
#include "core/firmware/hex_formats.h"
#include "core/image/image_writer.h"
#include "core/merge/companions.h"
#include "core/merge/slot_layout.h"

#include <vector>

namespace zd {
namespace {

MergeResult refused(MergeStatus status, std::string path, std::uint64_t imageSize = 0) {
    MergeResult result;
    result.status = status;
    result.path = std::move(path);
    result.imageSize = imageSize;
    return result;
}

// Without an image, only outputs made of the layout and the inputs' sums.
MergeResult needsNoImageBytes(const MergeRequest& request) {
    if (!request.image.imagePath.empty()) {
        return {};
    }
    for (const std::string& path : {request.manifest, request.ihex, request.srec}) {
        if (!path.empty()) {
            MergeResult result = refused(MergeStatus::CompanionFailed, path);
            result.error = std::make_error_code(std::errc::not_supported);
            return result;
        }
    }
    return {};
}

// A name the dependency file would name (an output before it, a row's file,
// a file read besides) that Make or Ninja would read back otherwise.
MergeResult checkDepfileNames(const MergeRequest& request) {
    if (request.depfile.empty()) {
        return {};
    }
    std::vector<std::string> names = mergeOutputs(request);
    names.pop_back(); // the dependency file itself, which it does not name
    for (const NewEntry& row : request.rows) {
        names.push_back(row.path);
    }
    names.insert(names.end(), request.alsoRead.begin(), request.alsoRead.end());
    for (const std::string& name : names) {
        if (auto reason = depfileNameProblem(name)) {
            MergeResult result = refused(MergeStatus::DepfileCannotName, name);
            result.reason = std::move(*reason);
            return result;
        }
    }
    return {};
}

EntryList layOut(const MergeRequest& request) {
    EntryList layout;
    layout.setFrontOffset(request.frontOffset);
    layout.setAlignment(request.alignment);
    layout.recomputeLayout();
    layout.appendEntries(request.rows);
    return layout;
}

} // namespace

std::vector<std::string> mergeOutputs(const MergeRequest& request) {
    std::vector<std::string> outputs;
    for (const std::string& path :
         {request.image.imagePath, request.image.listPath, request.cHeader.path, request.manifest,
          request.ihex, request.srec, request.flashromLayout, request.fmap, request.layoutMap,
          request.depfile}) {
        if (!path.empty()) {
            outputs.push_back(path);
        }
    }
    return outputs;
}

MergePlan planMerge(const MergeRequest& request) {
    MergePlan plan;
    // The name given first: "keep.bin:x" gives the image "keep.bin", yet
    // names a stream of it.
    std::vector<std::string> names{request.image.given};
    const std::vector<std::string> outputs = mergeOutputs(request);
    names.insert(names.end(), outputs.begin(), outputs.end());
    for (const std::string& output : names) {
        if (namesAStream(output)) {
            plan.refusal = refused(MergeStatus::NameIsStream, output);
            return plan;
        }
    }
    if (laysOutSlots(request)) {
        layOutSlots(request, plan);
        if (!plan.ok()) {
            return plan;
        }
    } else {
        plan.layout = layOut(request);
    }
    plan.imageSize = paddedSize(plan.layout, request.pad ? request.flashSize : 0);
    if (request.flashSize && plan.imageSize > request.flashSize) {
        plan.refusal =
            refused(MergeStatus::LargerThanFlash, request.image.imagePath, plan.imageSize);
    } else if ((!request.ihex.empty() || !request.srec.empty() || !request.flashromLayout.empty() ||
                !request.fmap.empty()) &&
               !fitsAddressSpace(request.base, plan.imageSize)) {
        plan.refusal =
            refused(MergeStatus::PastAddressSpace, request.image.imagePath, plan.imageSize);
    } else if (!request.fmap.empty() && flashRegions(plan.layout, 0).size() > kFmapMostAreas) {
        plan.refusal = refused(MergeStatus::TooManyRegions, request.fmap);
    } else {
        plan.refusal = checkDepfileNames(request);
    }
    return plan;
}

MergeResult dryRun(const MergeRequest& request, const MergePlan& plan) {
    if (!plan.ok()) {
        return plan.refusal;
    }
    return checkMergeImage(plan.layout, request.image, writerOptions(request, plan.layout));
}

MergeResult runMerge(const MergeRequest& request, const MergePlan& plan,
                     const files::KeepGoing& progress) {
    if (!plan.ok()) {
        return plan.refusal;
    }
    const MergeOptions options = writerOptions(request, plan.layout);
    if (!request.image.imagePath.empty()) {
        return mergeImage(plan.layout, request.infoTable, request.image, progress, options);
    }
    // No image: the companions from the inputs' sums alone.
    if (MergeResult result = needsNoImageBytes(request); !result.ok()) {
        return result;
    }
    if (MergeResult checked = checkMergeImage(plan.layout, {}, options); !checked.ok()) {
        return checked;
    }
    MergedImage image;
    image.size = plan.imageSize;
    if (MergeResult summed = sumInputs(plan.layout, progress, image.rowCrcs); !summed.ok()) {
        return summed;
    }
    return writeCompanions(options, image);
}

} // namespace zd
