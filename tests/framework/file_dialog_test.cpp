// The real open dialog, driven headless: a script answers each modal window
// as it comes up (the dialog, then the question it asks).

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "framework/FileDialog.h"
#include "framework/FrameworkTexts.h"

namespace {

// Acts on modal windows in turn: each step waits until the active modal
// window is its kind, then acts on it. A script that stalls closes every
// modal window after a while, so the test fails instead of hanging.
class ModalScript {
public:
    struct Step {
        std::function<bool(QWidget*)> matches;
        std::function<void(QWidget*)> act;
        bool optional = false;  // passed over when the window for the next step is up instead
    };

    explicit ModalScript(std::vector<Step> steps) : steps_(std::move(steps)) {
        clock_.start();
        Schedule();
    }
    bool Finished() const { return next_ == steps_.size(); }
    bool TimedOut() const { return timedOut_; }

private:
    void Schedule() {
        QTimer::singleShot(10, &context_, [this] { Poll(); });
    }

    // Polls on after the last step too, so a window that never closes is
    // still closed in the end.
    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (clock_.elapsed() > 10000) {
            timedOut_ = true;
            for (int i = 0; i < 8 && QApplication::activeModalWidget(); ++i) {
                if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->reject();
            }
            return;
        }
        if (Finished()) {
            Schedule();
            return;
        }
        while (modal && steps_[next_].optional && !steps_[next_].matches(modal) && next_ + 1 < steps_.size() &&
               steps_[next_ + 1].matches(modal))
            ++next_;
        if (!modal || !steps_[next_].matches(modal)) {
            Schedule();
            return;
        }
        // The next poll is set first: acting may open a modal window of its own.
        const Step& step = steps_[next_++];
        Schedule();
        step.act(modal);
    }

    std::vector<Step> steps_;
    std::size_t next_ = 0;
    bool timedOut_ = false;
    QElapsedTimer clock_;
    QObject context_;
};

bool IsFileDialog(QWidget* w) { return qobject_cast<QFileDialog*>(w) != nullptr; }
bool IsMessageBox(QWidget* w) { return qobject_cast<QMessageBox*>(w) != nullptr; }

ModalScript::Step TypeName(const std::string& name) {
    return {IsFileDialog, [name](QWidget* dialog) {
                auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
                ASSERT_NE(edit, nullptr);
                edit->setText(QString::fromStdString(name));
                QTest::keyClick(edit, Qt::Key_Return);
            }};
}

ModalScript::Step Cancel() {
    return {IsFileDialog, [](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); }};
}

class FileDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tesserin-dialog-XXXXXX";
        folder = mkdtemp(pattern);
        framework::FrameworkTexts texts;
        texts.appTitle = "puzzle";
        texts.createFilePrompt = "Make %s?";
        previousTexts = framework::SetFrameworkTexts(texts);
    }
    void TearDown() override {
        framework::SetFrameworkTexts(previousTexts);
        std::filesystem::remove_all(folder);
    }
    void Touch(const std::string& name) { std::ofstream(folder + "/" + name) << "x"; }

    std::string folder;
    framework::FrameworkTexts previousTexts;
};

TEST_F(FileDialogTest, ANameThatDoesNotExistIsTakenOnlyAfterTheUserAgrees) {
    using Answer = QMessageBox::StandardButton;
    struct Case {
        const char* name;
        bool createPrompt;
        const char* defaultExtension;
        const char* typed;
        std::vector<Answer> answers;  // one per question expected
        const char* chosen;           // null: cancelled
    };
    // Qt's own dialog may warn that the name does not exist; never with our question.
    const Case cases[] = {
        {"agreed", true, "", "missing.png", {QMessageBox::Yes}, "missing.png"},
        {"refused, then cancelled", true, "", "missing.png", {QMessageBox::No}, nullptr},
        {"the default extension is added first", true, "bmp", "missing", {QMessageBox::Yes}, "missing.bmp"},
        {"an existing file asks nothing", true, "", "there.png", {}, "there.png"},
        {"a name in Japanese comes back as its bytes", true, "", "写真.png", {}, "写真.png"},
        {"without the option a missing name is never taken", false, "", "missing.png", {}, nullptr},
        {"without the option an existing file is", false, "", "there.png", {}, "there.png"},
    };
    Touch("there.png");
    Touch("写真.png");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> questions;
        auto answer = [&questions](Answer button) {
            return [&questions, button](QWidget* w) {
                auto* box = static_cast<QMessageBox*>(w);
                questions.push_back(box->windowTitle().toStdString() + "|" + box->text().toStdString());
                if (QAbstractButton* b = box->button(button))
                    b->click();
                else
                    box->reject();
            };
        };
        std::vector<ModalScript::Step> steps{TypeName(c.typed)};
        for (Answer button : c.answers) steps.push_back({IsMessageBox, answer(button)});
        if (!c.chosen) {
            if (!c.createPrompt) steps.push_back({IsMessageBox, answer(QMessageBox::Ok), true});
            steps.push_back(Cancel());
        }
        ModalScript script(std::move(steps));

        framework::OpenFileRequest request;
        request.filter = "Pictures|*.png;*.bmp|All|*.*||";
        request.defaultExtension = c.defaultExtension;
        request.directory = folder;
        request.createPrompt = c.createPrompt;
        std::optional<std::string> chosen = framework::ShowOpenFileDialog(request);

        EXPECT_TRUE(script.Finished());
        EXPECT_FALSE(script.TimedOut());
        EXPECT_EQ(chosen, c.chosen ? std::optional<std::string>(folder + "/" + c.chosen) : std::nullopt);
        std::vector<std::string> expected;
        for (std::size_t i = 0; i < c.answers.size(); ++i) {
            std::string asked = c.defaultExtension[0] ? std::string(c.typed) + "." + c.defaultExtension : c.typed;
            expected.push_back("puzzle|Make " + folder + "/" + asked + "?");
        }
        std::erase_if(questions, [](const std::string& q) { return !q.starts_with("puzzle|Make "); });
        EXPECT_EQ(questions, expected);
        // The dialog creates nothing itself.
        EXPECT_FALSE(std::filesystem::exists(folder + "/missing.png"));
        EXPECT_FALSE(std::filesystem::exists(folder + "/missing.bmp"));
    }
}

TEST_F(FileDialogTest, TheFilterListsMatchingNamesOfEitherCase) {
    struct Case {
        const char* filter;
        std::set<std::string> listed;
    };
    const Case cases[] = {
        {"PNG|*.png||", {"PHOTO.PNG", "photo.png"}},
        {"Pictures|*.bmp;*.png|All|*.*||", {"PHOTO.PNG", "photo.png", "Picture.Bmp"}},
        {"All|*.*||", {"PHOTO.PNG", "photo.png", "Picture.Bmp", "photo.jpg", "README"}},
    };
    for (const char* name : {"PHOTO.PNG", "photo.png", "Picture.Bmp", "photo.jpg", "README"}) Touch(name);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filter);
        std::set<std::string> listed;
        ModalScript script(
            {{IsFileDialog, [&](QWidget* dialog) {
                  auto* view = dialog->findChild<QListView*>("listView");
                  ASSERT_NE(view, nullptr);
                  // The folder is read in the background.
                  auto count = [view] { return view->model()->rowCount(view->rootIndex()); };
                  EXPECT_TRUE(QTest::qWaitFor([&] { return count() >= static_cast<int>(c.listed.size()); }, 5000));
                  QTest::qWait(100);
                  for (int row = 0; row < count(); ++row) {
                      QModelIndex index = view->model()->index(row, 0, view->rootIndex());
                      if (view->model()->flags(index) & Qt::ItemIsEnabled)
                          listed.insert(index.data().toString().toStdString());
                  }
                  static_cast<QDialog*>(dialog)->reject();
              }}});
        framework::OpenFileRequest request;
        request.filter = c.filter;
        request.directory = folder;
        EXPECT_EQ(framework::ShowOpenFileDialog(request), std::nullopt);
        EXPECT_FALSE(script.TimedOut());
        EXPECT_EQ(listed, c.listed);
    }
}

}  // namespace
