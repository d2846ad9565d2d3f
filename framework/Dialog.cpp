#include "framework/Dialog.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <cstdint>

#include "display/FontCache.h"
#include "framework/Application.h"
#include "framework/FrameWindow.h"

namespace framework {

namespace {

// a * b / c rounded half away from zero, as Windows' MulDiv.
int MulDiv(int a, int b, int c) {
    const std::int64_t product = std::int64_t(a) * b;
    const std::int64_t half = c / 2;
    return int(product >= 0 ? (product + half) / c : (product - half) / c);
}

QWidget* DefaultParent(QWidget* parent) {
    if (parent) return parent;
    Application* app = AfxGetApp();
    return app ? app->MainWindow() : nullptr;
}

}  // namespace

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    static const QString kLetters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const QFontMetrics metrics(font);
    return DialogBaseUnits{(metrics.horizontalAdvance(kLetters) / 26 + 1) / 2, metrics.ascent() + metrics.descent()};
}

QRect MapDialogRect(const QRect& units, DialogBaseUnits base) {
    return QRect(MulDiv(units.x(), base.x, 4), MulDiv(units.y(), base.y, 8), MulDiv(units.width(), base.x, 4),
                 MulDiv(units.height(), base.y, 8));
}

QFont DialogFont(const std::string& face, int points) {
    QFont font;
    const QString family = display::MatchFamily(face, "ja");
    font.setFamily(family.isEmpty() ? QString::fromStdString(face) : family);
    font.setPointSize(points > 0 ? points : 9);
    return font;
}

Dialog::Dialog(DialogTemplate dialogTemplate, QWidget* parent)
    : QDialog(DefaultParent(parent)), template_(std::move(dialogTemplate)) {
    // A modal frame with caption and close box; no help button, no resizing.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    // The arrow is the dialog's own cursor, not whatever lies below it.
    setCursor(Qt::ArrowCursor);
}

Dialog::~Dialog() = default;

void Dialog::Create() {
    if (created_) return;
    created_ = true;
    setWindowTitle(QString::fromStdString(template_.caption));
    setFont(DialogFont(template_.fontFace, template_.fontPoints));
    base_ = BaseUnitsOf(font());
    setFixedSize(MapDialogRect(QRect(QPoint(0, 0), template_.size)).size());
    for (const DialogControl& control : template_.controls) {
        QWidget* widget = MakeControl(control);
        widget->setGeometry(MapDialogRect(control.units));
        if (control.id != kIdStatic) items_.emplace(control.id, widget);
    }
    OnInitDialog();
}

QWidget* Dialog::MakeControl(const DialogControl& control) {
    switch (control.kind) {
        case DialogControl::Kind::Icon: {
            auto* label = new QLabel(this);
            label->setPixmap(control.icon.pixmap(MapDialogRect(control.units).size()));
            return label;
        }
        case DialogControl::Kind::PushButton: {
            auto* button = new QPushButton(QString::fromStdString(control.text), this);
            button->setDefault(control.defaultButton);
            const int id = control.id;
            connect(button, &QPushButton::clicked, this, [this, id] {
                if (id == kIdOk)
                    OnOK();
                else if (id == kIdCancel)
                    OnCancel();
            });
            return button;
        }
        case DialogControl::Kind::Text:
            break;
    }
    auto* label = new QLabel(this);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setText(QString::fromStdString(control.text));
    return label;
}

int Dialog::DoModal() {
    Create();
    return exec();
}

QWidget* Dialog::GetDlgItem(int id) const {
    auto it = items_.find(id);
    return it == items_.end() ? nullptr : it->second;
}

void Dialog::accept() { OnOK(); }
void Dialog::reject() { OnCancel(); }

bool Dialog::OnInitDialog() { return true; }
void Dialog::OnOK() { EndDialog(kIdOk); }
void Dialog::OnCancel() { EndDialog(kIdCancel); }
void Dialog::EndDialog(int result) { done(result); }

}  // namespace framework
