// Text rules for command lines, icon locations and paths. Byte positions count legacy bytes.
#pragma once

#include <string>
#include <string_view>

namespace lodestar {

// A command line split into the program (document, folder, URL) and its parameters.
struct TCmd {
    std::string Path;
    std::string Params;
    friend bool operator==(const TCmd&, const TCmd&) = default;
};

// A quoted program ends at the first quote followed by a space; an unquoted one at the first space.
// Text beyond the 256th legacy byte (257th for a quoted program) is ignored.
TCmd SplitCommandLine(std::string_view commandLine);
std::string JoinCommandLine(const TCmd& cmd);
// In double quotes (inner quotes doubled) when the text contains a space; unchanged otherwise.
std::string QuoteIfSpaced(std::string_view text);
// The template with its first "%1" replaced by the file, as it is.
std::string SubstituteParam(std::string_view templ, std::string_view file);
// Cuts "file,index" to its file part and returns the index; 0 and no cut when there is no valid index.
int SplitIconLocation(std::string& location);
// A path without the blanks around it and without the pair of double quotes that encloses it, as icon
// locations carry them ("C:\Program Files\x.exe",0); other text unchanged.
std::string_view UnquotedPath(std::string_view path);

std::string AddBackslash(std::string_view path);
std::string RemoveBackslash(std::string_view path);
// The file name part of a path (after the last backslash, slash or drive colon).
std::string ExtractFileName(std::string_view path);
// The folder part of a path, ending with its backslash; empty when there is none.
std::string ExtractFilePath(std::string_view path);
// The extension of the file name part, with its dot; empty when the name has no dot. Taken from the
// last dot, so "a.exe -x" has the extension ".exe -x".
std::string ExtractFileExt(std::string_view path);

// ASCII letters in upper case (command-line switches, program names); other bytes unchanged.
std::string UpperAscii(std::string_view text);

// Delphi's Trim: removes spaces and control characters (bytes up to 0x20) from both ends.
std::string_view TrimBlanks(std::string_view text);

} // namespace lodestar
