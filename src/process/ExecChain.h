// The execution chain: the further programs of an item, started one after another on a worker thread
// after the item's own program, each after waiting for the program before it and a delay.
#pragma once

#include "Handles.h"
#include "ItemData.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lodestar {

// How the chain sounds a failure; called on the worker thread. Empty: ::MessageBeep.
using TChainBeep = std::function<void(UINT type)>;

class TThExecChain {
public:
    // Copies the chain and starts it on a thread of its own that frees itself when the chain is done.
    // Takes ownership of parentProcess (may be empty). Returns a handle of the worker thread that the
    // caller may wait on or simply drop. When no thread can be made, the chain does not run, the failure
    // is sounded as notifyMode says and the handle is empty.
    //
    // notifyMode is the "NotifyNotFound" setting: 0 and 1 beep when an entry cannot be started, 2 stays
    // silent; an entry whose working folder is missing beeps whatever the mode. Entries marked AutoQuit
    // that still run are closed (WM_CLOSE to their top-level windows, each given a few seconds to answer)
    // when the parent process ends, and are no longer started once it has ended. Without a parent handle
    // every entry runs after its plain delay and none is closed.
    static UniqueKernelHandle Start(const std::vector<TChildIcon>& entries, std::uint8_t notifyMode,
                                    UniqueKernelHandle parentProcess, TChainBeep beep = {});

    TThExecChain(const TThExecChain&) = delete;
    TThExecChain& operator=(const TThExecChain&) = delete;

private:
    TThExecChain(const std::vector<TChildIcon>& entries, std::uint8_t notifyMode,
                 UniqueKernelHandle parentProcess, TChainBeep beep);

    static unsigned __stdcall ThreadEntry(void* self) noexcept;
    void Execute();
    void DelayWatchingParent(std::int32_t delayMs);
    void WaitForParentEnd();
    void ParentHasEnded();
    void CloseAutoQuitPrograms();
    UniqueKernelHandle StartEntry(const TChildIcon& entry);
    UniqueKernelHandle ShellStart(const TChildIcon& entry, const std::string& path, const std::string& params,
                                  const std::string& folder, int show);
    UniqueKernelHandle CreateAutoQuitProcess(const std::string& path, const std::string& params,
                                             const std::string& folder, int show);
    void SignalFailure();
    void Beep(UINT type);

    TChildIconList Entries;
    UniqueKernelHandle ParentProcess;
    bool NoParent;
    bool ParentEnded = false;
    std::vector<DWORD> AutoQuitPids;
    // One handle per identifier above, in the same order: while it is open the identifier cannot pass to
    // another program, and it tells whether the program still runs.
    std::vector<UniqueKernelHandle> AutoQuitProcesses;
    std::uint8_t NotifyMode;
    TChainBeep BeepFn;
};

} // namespace lodestar
