#pragma once
// What the framework itself shows or writes: it names no program of its own.
// The application hands its texts in at construction; until then neutral
// ones stand, so a document or frame made without an application still reads.

#include <string>

namespace framework {

struct FrameworkTexts {
    std::string appTitle;                // caption of message boxes; ends every window title
    std::string untitled = "Untitled";   // title of a document without a path
    std::string titleSeparator = " - ";  // between the document's title and appTitle
    std::string fileOpenFailed = "The file could not be opened.";
    std::string allFilesFilter = "All Files (*.*)|*.*||";  // File > Open's dialog filter
    std::string recentFileSection = "Recent File List";    // the settings section of the recent files
    // The open dialog's question before it accepts the name of a file that
    // does not exist; "%s" stands for the file's full path.
    std::string createFilePrompt = "%s\nThis file does not exist.\nDo you want to create it?";
};

// Returns the texts in force before.
FrameworkTexts SetFrameworkTexts(FrameworkTexts texts);
const FrameworkTexts& GetFrameworkTexts();

}  // namespace framework
