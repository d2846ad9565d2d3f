#pragma once
// The open-file dialog. The filter is the "|"-separated form: pairs of a
// description and ";"-separated patterns, ending in "||". Patterns match
// case-insensitively, so PHOTO.PNG shows under *.png. Tests install a hook
// that answers instead of the dialog.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace framework {

struct OpenFileRequest {
    std::string filter;
    std::string defaultExtension;  // without the dot; may be empty
    std::string directory;         // where the dialog starts; may be empty
    // Asks before accepting the name of a file that does not exist (and
    // creates nothing); without it only existing files can be chosen.
    bool createPrompt = false;
};

// The chosen full path, or nothing when the user cancelled.
std::optional<std::string> ShowOpenFileDialog(const OpenFileRequest& request);

using FileDialogHook = std::function<std::optional<std::string>(const OpenFileRequest&)>;
// Replaces the dialog; an empty hook restores it. Returns the previous hook.
FileDialogHook SetFileDialogHook(FileDialogHook hook);

struct FileFilter {
    std::string description;
    std::vector<std::string> patterns;
    bool operator==(const FileFilter&) const = default;
};

// Splits the "|"-separated form; a description without patterns is dropped.
std::vector<FileFilter> ParseFileFilter(const std::string& filter);

// A pattern whose letters match either case: "*.png" gives "*.[pP][nN][gG]".
std::string CaseInsensitivePattern(const std::string& pattern);

}  // namespace framework
