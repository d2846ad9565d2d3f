#pragma once
// The program's resource table: command ids, menu and tool bar texts, status
// prompts and the texts the framework shows for the program. Every
// user-visible text lives here once; code refers to the names.

#include "document/CommandIds.h"
#include "document/Settings.h"
#include "framework/CommandIds.h"
#include "framework/FrameworkTexts.h"

namespace res {

// The one template: menu, accelerators, tool bar, icon and template string.
inline constexpr int kMainResource = 128;
// Window title, document name, new-file name, filter name, filter extension,
// file type id, file type name.
inline constexpr const char* kTemplateString = "tesserin\n\ntesserin\n\n\ntesserin.Document\ntesserin.Document";

// Framework command ids.
inline constexpr int kIdFileNew = framework::kIdFileNew;
inline constexpr int kIdFileOpen = framework::kIdFileOpen;
inline constexpr int kIdFileMruFirst = framework::kIdFileMruFirst;
inline constexpr int kIdFileMruLast = framework::kIdFileMruLast;
inline constexpr int kIdAppAbout = framework::kIdAppAbout;
inline constexpr int kIdAppExit = framework::kIdAppExit;

// The view's tool commands, which it forwards to the board.
inline constexpr int kIdCoarser = doc::kIdCoarser;  // fewer, larger pieces
inline constexpr int kIdFiner = doc::kIdFiner;      // more, smaller pieces
inline constexpr int kIdShuffle = doc::kIdShuffle;

// Status bar indicators.
inline constexpr int kIdIndicatorCaps = 59137;
inline constexpr int kIdIndicatorNum = 59138;
inline constexpr int kIdIndicatorScroll = 59139;

// Framework texts.
inline constexpr const char* kAppTitle = "tesserin";
inline constexpr const char* kTitleSeparator = " - ";
inline constexpr const char* kUntitled = "無題";
inline constexpr const char* kReady = "レディ";
inline constexpr const char* kIndicatorCaps = "CAP";
inline constexpr const char* kIndicatorNum = "NUM";
inline constexpr const char* kIndicatorScroll = "SCRL";
inline constexpr const char* kRecentFilePlaceholder = "最近使ったﾌｧｲﾙ";
inline constexpr const char* kFileOpenFailed = "ファイルを開けませんでした。";
inline constexpr const char* kAllFilesFilter = "すべてのファイル (*.*)|*.*||";
// "%s" is the file's full path.
inline constexpr const char* kCreateFilePrompt = "%s\nこのファイルは存在しません。\nファイルを作成しますか?";

// What "--help" prints.
inline constexpr const char* kUsage =
    "使い方: tesserin [オプション] [画像ファイル]\n"
    "スライドパズルで遊びます。画像ファイル (BMP, PNG, JPEG, WebP, HEIF, AVIF, GIF, TIFF) "
    "を指定すると、その画像でパズルを始めます。\n"
    "\n"
    "オプション:\n"
    "  -h, --help     この説明を表示して終了します\n"
    "  --version      バージョンを表示して終了します\n";

// Settings file, and the folder it goes to when it cannot live beside the program.
inline constexpr const char* kSettingsFolderName = "tesserin";
inline constexpr const char* kSettingsFileName = "tesserin.ini";
inline constexpr const char* kSettingsSection = doc::kSettingsSection;
inline constexpr const char* kRecentFileSection = "Recent File List";
inline constexpr int kRecentFileCount = 4;

// Menus. The labels of 130 and 131 say the reverse of what the commands do;
// the players know them that way.
inline constexpr const char* kMenuFile = "ファイル(&F)";
inline constexpr const char* kMenuTools = "ツール(&T)";
inline constexpr const char* kMenuHelp = "ヘルプ(&H)";
inline constexpr const char* kItemFileNew = "数字";
inline constexpr const char* kItemFileOpen = "画像を開く...\tCtrl+O(&O)";
inline constexpr const char* kItemAppExit = "アプリケーションの終了(&X)";
inline constexpr const char* kItemCoarser = "細かく";
inline constexpr const char* kItemFiner = "荒く";
inline constexpr const char* kItemShuffle = "シャッフル(&S)";
inline constexpr const char* kItemAppAbout = "バージョン情報 tesserin(&A)...";

// Status prompts.
inline constexpr const char* kPromptFileNew = "新規にファイルを作成";
inline constexpr const char* kPromptFileOpen = "既存の画像を開く";
inline constexpr const char* kPromptFileMru = "指定のファイルを開く";
inline constexpr const char* kPromptAppExit = "アプリケーションを終了し、ファイルの保存を指示\\終了";
inline constexpr const char* kPromptCoarser = "ピースを細かくします";
inline constexpr const char* kPromptFiner = "ピースを荒くします";
inline constexpr const char* kPromptShuffle = "シャッフルします";
inline constexpr const char* kPromptAppAbout = "プログラム情報、バージョン、著作権を表示します。";

// Tool bar tooltips.
inline constexpr const char* kTipCoarser = "細かく";
inline constexpr const char* kTipFiner = "荒く";
inline constexpr const char* kTipShuffle = "シャッフル";
inline constexpr const char* kTipAppAbout = "バージョン情報";

// The about box (template 100) and its link.
inline constexpr int kIdAboutDialog = 100;
inline constexpr int kIdLink = 1002;
inline constexpr const char* kAboutCaption = "バージョン情報 tesserin";
inline constexpr const char* kAboutVersion = "tesserin Version 1.0";
inline constexpr const char* kAboutLine = "スライドパズル";
inline constexpr const char* kAboutOk = "OK";
inline constexpr const char* kLinkControlText = "スタティック";  // never shown: the link paints itself
inline constexpr const char* kLinkLabel = "説明書";              // opens the README
inline constexpr const char* kDialogFontFace = "MS UI Gothic";
inline constexpr int kDialogFontPoints = 9;
inline constexpr const char* kLinkFontFace = "system";

// The framework's texts as this program has them.
inline framework::FrameworkTexts FrameworkTexts() {
    framework::FrameworkTexts texts;
    texts.appTitle = kAppTitle;
    texts.untitled = kUntitled;
    texts.titleSeparator = kTitleSeparator;
    texts.fileOpenFailed = kFileOpenFailed;
    texts.allFilesFilter = kAllFilesFilter;
    texts.recentFileSection = kRecentFileSection;
    texts.createFilePrompt = kCreateFilePrompt;
    return texts;
}

}  // namespace res
