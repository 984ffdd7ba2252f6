// One group's INI file of versions up to 2.61, read for importing its items and settings.
#pragma once

#include "IniText.h"

#include <string>
#include <string_view>
#include <vector>

namespace lodestar {

class TLodestarIni {
public:
    // Reads the file of `group` (0..9) in `folder` (UTF-8; a trailing backslash is added when missing).
    // A missing file or folder reads as an empty file; a file that exists but cannot be read raises
    // EWindowsError, so that an import never mistakes it for a group without items.
    TLodestarIni(int group, std::string_view folder);

    int Group() const { return group_; }
    const std::string& FileName() const { return fileName_; }
    bool FileFound() const { return found_; }
    const TIniText& Text() const { return ini_; }

    // Appends the file's items to `list`, which must be empty (EProgramError otherwise).
    void ReadItemList(std::vector<TItemData>& list) const;
    // The group's name; empty when the file names none.
    std::string GroupName() const;
    // The settings, which only the group 0 file holds: asking another group's file is a programming error.
    TIniOptions ReadOptions() const;

private:
    int group_;
    std::string fileName_;
    bool found_ = false;
    TIniText ini_;
};

} // namespace lodestar
