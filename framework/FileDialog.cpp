#include "framework/FileDialog.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>
#include <cctype>

#include "framework/FrameworkTexts.h"

namespace framework {

namespace {
FileDialogHook& Hook() {
    static FileDialogHook hook;
    return hook;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    while (true) {
        auto end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

std::string Trim(const std::string& text) {
    auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The program's question with the path in place of "%s" (put in by hand: the
// text is not a format for printf).
QString CreatePromptText(const QString& path) {
    QString text = QString::fromStdString(GetFrameworkTexts().createFilePrompt);
    qsizetype at = text.indexOf(QLatin1String("%s"));
    if (at >= 0) text.replace(at, 2, path);
    return text;
}

// Accepts a name that does not exist only once the user agreed; it creates
// nothing itself.
class OpenDialog : public QFileDialog {
public:
    OpenDialog(QWidget* parent, bool createPrompt) : QFileDialog(parent), createPrompt_(createPrompt) {
        setFileMode(createPrompt ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        setAcceptMode(QFileDialog::AcceptOpen);
    }

    void accept() override {
        if (createPrompt_) {
            const QStringList files = selectedFiles();
            if (files.size() == 1) {
                QFileInfo info(files.first());
                if (!info.exists() && !AskCreate(info)) return;
            }
        }
        QFileDialog::accept();
    }

private:
    bool AskCreate(const QFileInfo& info) {
        QString caption = QString::fromStdString(GetFrameworkTexts().appTitle);
        QString text = CreatePromptText(QDir::toNativeSeparators(info.absoluteFilePath()));
        return QMessageBox::question(this, caption, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) ==
               QMessageBox::Yes;
    }

    bool createPrompt_;
};
}  // namespace

std::vector<FileFilter> ParseFileFilter(const std::string& filter) {
    std::vector<FileFilter> result;
    std::vector<std::string> parts = Split(filter, '|');
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty() && parts[i + 1].empty()) break;  // the closing "||"
        FileFilter entry{parts[i], {}};
        for (const std::string& pattern : Split(parts[i + 1], ';')) {
            std::string trimmed = Trim(pattern);
            if (!trimmed.empty()) entry.patterns.push_back(trimmed);
        }
        if (!entry.patterns.empty()) result.push_back(std::move(entry));
    }
    return result;
}

std::string CaseInsensitivePattern(const std::string& pattern) {
    std::string result;
    for (unsigned char c : pattern) {
        if (std::isalpha(c) && c < 0x80) {
            result += '[';
            result += static_cast<char>(std::tolower(c));
            result += static_cast<char>(std::toupper(c));
            result += ']';
        } else {
            result += static_cast<char>(c);
        }
    }
    return result;
}

std::optional<std::string> ShowOpenFileDialog(const OpenFileRequest& request) {
    if (Hook()) return Hook()(request);
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return std::nullopt;

    QStringList nameFilters;
    for (const FileFilter& entry : ParseFileFilter(request.filter)) {
        QStringList patterns;
        for (const std::string& pattern : entry.patterns)
            patterns << QString::fromStdString(pattern == "*.*" ? std::string("*") : CaseInsensitivePattern(pattern));
        nameFilters << QString::fromStdString(entry.description) + " (" + patterns.join(' ') + ")";
    }
    OpenDialog dialog(QApplication::activeWindow(), request.createPrompt);
    // The patterns are spelled for either case; show only the descriptions.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (!nameFilters.isEmpty()) dialog.setNameFilters(nameFilters);
    if (!request.defaultExtension.empty()) dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    if (!request.directory.empty()) dialog.setDirectory(QString::fromStdString(request.directory));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    // The name as the file system spells it, not the text shown.
    return QFile::encodeName(dialog.selectedFiles().first()).toStdString();
}

FileDialogHook SetFileDialogHook(FileDialogHook hook) {
    FileDialogHook previous = std::move(Hook());
    Hook() = std::move(hook);
    return previous;
}

}  // namespace framework
