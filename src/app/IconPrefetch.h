// The tray icons of many items made ahead on worker threads: a group's icons are looked up (the slow part
// of showing it, disk and shell) while the main thread hands the ones already made to the notification
// area, in the items' order.
#pragma once

#include "Handles.h"
#include "ItemData.h"

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

namespace lodestar {

class TIconPrefetch {
public:
    // Starts looking up the icons, at `size` pixels, of the records without a given icon; `records` must
    // outlive this object.
    TIconPrefetch(const std::vector<TItemData>& records, std::vector<UniqueIcon> given, int size);
    // Stops the lookups not yet begun and waits for those under way.
    ~TIconPrefetch();
    TIconPrefetch(const TIconPrefetch&) = delete;
    TIconPrefetch& operator=(const TIconPrefetch&) = delete;

    // The icon of record `index`, once made (null where none could be made); each is taken once.
    UniqueIcon Take(std::size_t index);

private:
    void Work();

    const std::vector<TItemData>& records_;
    const int size_;
    std::mutex mutex_;
    std::condition_variable made_;
    std::vector<UniqueIcon> icons_;
    std::vector<char> ready_;
    std::size_t next_ = 0; // the next record a worker takes on
    bool stop_ = false;
    std::vector<std::thread> workers_;
};

} // namespace lodestar
