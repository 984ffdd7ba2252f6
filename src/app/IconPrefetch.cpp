#include "IconPrefetch.h"

#include "lsCommon.h"

#include <windows.h>
#include <objbase.h>

#include <algorithm>

namespace lodestar {

namespace {

// Below this many lookups a worker costs more than it saves.
constexpr std::size_t kMinForWorkers = 4;

} // namespace

TIconPrefetch::TIconPrefetch(const std::vector<TItemData>& records, std::vector<UniqueIcon> given, int size)
    : records_(records), size_(size), icons_(records.size()), ready_(records.size(), 0) {
    std::size_t missing = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (i < given.size() && given[i]) {
            icons_[i] = std::move(given[i]);
            ready_[i] = 1;
        } else {
            ++missing;
        }
    }
    if (missing < kMinForWorkers) return;
    const std::size_t count =
        std::min<std::size_t>(std::max(1u, std::thread::hardware_concurrency()), (missing + 1) / 2);
    for (std::size_t i = 0; i < count; ++i)
        workers_.emplace_back([this] { Work(); });
}

TIconPrefetch::~TIconPrefetch() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    for (std::thread& worker : workers_)
        worker.join();
}

void TIconPrefetch::Work() {
    // The shell's lookups want an apartment of their own on each thread.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    for (;;) {
        std::size_t index = 0;
        {
            const std::lock_guard lock(mutex_);
            while (next_ < records_.size() && ready_[next_])
                ++next_;
            if (stop_ || next_ >= records_.size()) break;
            index = next_++;
        }
        const TItemData& record = records_[index];
        UniqueIcon icon;
        try {
            icon = ItemIcon(record.CustomIcon, record.Cmd, record.IDList, size_);
        } catch (...) {
            // Left to the main thread, which looks it up again and reports what goes wrong.
        }
        {
            const std::lock_guard lock(mutex_);
            icons_[index] = std::move(icon);
            ready_[index] = 1;
        }
        made_.notify_all();
    }
    if (SUCCEEDED(com)) ::CoUninitialize();
}

UniqueIcon TIconPrefetch::Take(std::size_t index) {
    if (index >= records_.size()) return {};
    std::unique_lock lock(mutex_);
    if (workers_.empty()) return std::move(icons_[index]);
    made_.wait(lock, [&] { return ready_[index] != 0; });
    return std::move(icons_[index]);
}

} // namespace lodestar
