// File system, association and shortcut look-ups used when items are created and started.
// Every helper reports a failed look-up by an empty string, its input unchanged or false; none throws
// (ReadLinkInfo lets errors other than COM failures pass, such as running out of memory).
#pragma once

#include "ItemData.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lodestar {

// What a shortcut file holds.
struct TLinkInfo {
    std::string Target; // target path in its short (8.3) form
    std::string Arguments;
    std::string DisplayName; // the shell's display name of the shortcut file itself
    std::string Description;
    std::string WorkDir;
    std::string IconPath;
    std::int32_t IconIndex = 0;
    std::int32_t ShowCmd = 0; // SW_ value
    std::uint16_t HotKey = 0; // virtual key in the low byte, HOTKEYF_ modifiers in the high byte
    IdList IDList;            // the target as an ID list, only when asked for

    friend bool operator==(const TLinkInfo&, const TLinkInfo&) = default;
};

// Extensions tried, in this order, when a program is named without one.
inline constexpr std::string_view kProgramExtensions[] = {".EXE", ".COM", ".BAT", ".PIF", ".LNK"};
// The shell's parsing name of the My Computer folder.
inline constexpr std::string_view kMyComputer = "::{20D04FE0-3AEA-1069-A2D8-08002B30309D}";

// The text with every %NAME% the environment knows replaced by its value, as the shell expands the
// commands, icon locations and folders that Windows and users write that way; other text is unchanged.
std::string ExpandEnvironment(std::string_view text);

// The command template that opens files of an extension (given with its dot): the first verb of its file
// class as the registry enumerates them, else that of class "*", else that of class "Unknown".
// Commands stored as expandable strings come expanded. Empty when none of them has one.
std::string GetAssociatedCommand(std::string_view extension);

// Starts a file of a type nothing is associated with through the command for files of any or unknown type
// ("*", then "Unknown") put in place of its "%1", with the working folder (none when empty) and the show
// command. No value when neither class has a command; else the shell's result code (above 32 = started).
std::optional<std::intptr_t> OpenAsUnknownType(std::string_view file, std::string_view folder, int show);

// The long path of the first file the system search path yields for the name with one of
// kProgramExtensions; the name unchanged when there is none.
std::string SearchProgram(std::string_view name);

// Whether a command's program part has to be looked up on the search path: a bare name, or a path whose
// file name has no extension and names neither an existing file nor an existing folder.
bool NeedsSearch(std::string_view part);

// Every component of the path replaced by the name the file system stores (the long name for a short
// one), without a trailing backslash. When a component cannot be looked up (a missing file, a drive root,
// a name with wildcards), it and everything before it are kept as they are.
std::string LongPathName(std::string_view path);

// The path if it is a folder; else its folder part (with trailing backslash) if that exists; else
// kMyComputer.
std::string FolderOrMyComputer(std::string_view path);

// Reads a shortcut file. When the file is not a shortcut, Target, Arguments, DisplayName and WorkDir are
// emptied and IDList dropped; the other fields of `info` are handed back as they came. When reading the
// shortcut fails, Target comes back empty and the fields read before the failure hold what was read.
TLinkInfo ReadLinkInfo(std::string_view lnkPath, bool wantIdList, TLinkInfo info = {});

bool FolderExists(std::string_view path);
// An existing file that is not a folder.
bool FileExists(std::string_view path);

// Both paths in their short forms, with a trailing backslash, compared exactly. A path that does not
// exist has no short form and counts as empty, so two missing paths compare equal.
bool SamePath(std::string_view a, std::string_view b);
// Both paths in their short forms compared exactly, whole or only their file names. As in SamePath, two
// missing files compare equal.
bool SameFile(std::string_view a, std::string_view b, bool namesOnly);

} // namespace lodestar
