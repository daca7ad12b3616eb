#include "core/merge/slot_layout.h"

#include "core/model/list_file.h"

namespace zd {
namespace {

MergeResult unusable(const std::string& path, std::error_code error, std::string reason = {}) {
    MergeResult result;
    result.status = MergeStatus::EarlierLayoutUnusable;
    result.path = path;
    result.error = error;
    result.reason = std::move(reason);
    return result;
}

// The rows of the list file at `path` with the addresses it records, their
// names resolved as any list file's; `missing` when there is no such file.
MergeResult readEarlier(const std::string& path, std::vector<EarlierRow>& rows, bool& missing) {
    ListReadResult read = readListFile(path);
    if (read.status == ListReadResult::Status::CannotOpen) {
        missing = read.error == std::errc::no_such_file_or_directory;
        return unusable(path, read.error);
    }
    if (read.status == ListReadResult::Status::FormatError) {
        return unusable(path, {}, "line " + std::to_string(read.errorLine) + ": " + read.reason);
    }
    if (read.addresses.size() != read.rows.size()) {
        return unusable(path, {}, listAddressProblem(read));
    }
    resolveListedNames(read.rows, path);
    for (std::size_t i = 0; i < read.rows.size(); ++i) {
        rows.push_back({std::move(read.rows[i].path), read.rows[i].size, read.addresses[i]});
    }
    if (const auto problem = earlierLayoutProblem(rows)) {
        return unusable(path, {}, *problem);
    }
    return {};
}

} // namespace

bool laysOutSlots(const MergeRequest& request) {
    return request.reserve.any() || !request.layoutFrom.empty() || request.keepLayout;
}

void layOutSlots(const MergeRequest& request, MergePlan& plan) {
    std::vector<EarlierRow> earlier;
    const std::string& listPath = request.keepLayout ? request.image.listPath : request.layoutFrom;
    if (!listPath.empty()) {
        bool missing = false;
        if (MergeResult read = readEarlier(listPath, earlier, missing); !read.ok()) {
            if (!(missing && request.keepLayout)) {
                plan.refusal = std::move(read);
                return;
            }
            plan.kept.listMissing = true;
        } else {
            plan.kept.listPath = listPath;
        }
    } else if (request.keepLayout) {
        plan.kept.listMissing = true; // no list path: nothing to keep
    }
    LayoutPlan laid = planLayout(request.rows, earlier,
                                 {request.frontOffset, request.alignment, request.reserve});
    if (!laid.ok()) {
        MergeResult& refusal = plan.refusal;
        refusal.path = request.rows[laid.row].path;
        if (laid.status == LayoutPlan::Status::PastFourGiB) {
            refusal.status = MergeStatus::LayoutTooLarge;
        } else {
            refusal.status = MergeStatus::FrontAreaReachesKept;
            refusal.address = laid.address;
        }
        return;
    }
    plan.layout = std::move(laid.layout);
    if (!plan.kept.listPath.empty()) {
        plan.kept.moves = std::move(laid.moves);
    }
}

} // namespace zd
