// A drop target for objects dragged from the shell: reads the "Shell IDList Array" of a drop and hands
// over each object's absolute ID list and, where it has one, its file-system path. Paths alone would lose
// the objects that have none (Control Panel items, printers).
//
// The dropped data lives from the drop until the OnDrop handler returns: read it there.
#pragma once

#include "DropTarget.h"
#include "ItemData.h"

#include <functional>
#include <string>
#include <vector>

namespace lodestar {

// Raised for a path asked of an object the drop does not hold.
class EStringListError : public EProgramError {
public:
    using EProgramError::EProgramError;
};

class TDropPIDLTarget;

// The dropped objects' paths as a read-only list: entry i is the path of object i + 1, "" when the object
// has no path.
class TPIDLTargetStrings {
public:
    explicit TPIDLTargetStrings(const TDropPIDLTarget& target) : target_(target) {}
    TPIDLTargetStrings(const TPIDLTargetStrings&) = delete;
    TPIDLTargetStrings& operator=(const TPIDLTargetStrings&) = delete;

    int Count() const;
    // "Filename index out of range" for an index outside 0 .. Count() - 1.
    std::string Strings(int index) const;
    std::string operator[](int index) const { return Strings(index); }

private:
    const TDropPIDLTarget& target_;
};

class TDropPIDLTarget : public TDropTarget {
public:
    explicit TDropPIDLTarget(TComponent* owner);

    // The parent folder's list and the objects' lists: n + 1 after a drop of n objects, 0 otherwise.
    int PidlCount() const { return static_cast<int>(store_.size()); }
    const TPIDLTargetStrings& Filenames() const { return filenames_; }
    // A new absolute ID list of object k (1 to n), owned by the caller; none for any other k.
    UniqueCoTask<ITEMIDLIST> PidlAt(int k) const;
    // The same list as a value; empty for any other k.
    IdList IdListAt(int k) const { return AbsoluteList(k); }
    // The names of "FileNameMap" or "FileNameMapW", kept only when there is exactly one per object.
    const std::vector<std::string>& MappedNames() const { return mappedNames_; }

    // Reads the objects of a "Shell IDList Array" on the clipboard. 0 when there is none or it holds no
    // object; else the clipboard's "Preferred DropEffect", copy when it states none.
    DWORD PasteFromClipboard() override;

protected:
    bool DoGetData() override;
    void ClearData() override;
    bool HasValidFormats() override;

private:
    friend class TPIDLTargetStrings;
    bool ReadFrom(IDataObject* data);
    void ReadMappedNames(IDataObject* data);
    IdList AbsoluteList(int k) const;

    std::vector<IdList> store_;
    std::vector<std::string> mappedNames_;
    TPIDLTargetStrings filenames_{*this};
};

// The target of a dialog's list of items, named "PIDLTarget1": it takes shell objects as links, reads
// them only at the drop, and hands the dialog's handlers just the effect and the point.
TDropPIDLTarget* CreateListDropTarget(TComponent* owner, std::function<void(DWORD& effect)> onEnter,
                                      std::function<void(POINT point, DWORD& effect)> onDragOver,
                                      std::function<void(DWORD& effect)> onDrop);

} // namespace lodestar
