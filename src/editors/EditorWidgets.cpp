#include "EditorWidgets.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace zov::editor_widgets {
namespace {

constexpr int kEditChars = 9;  // width of a value edit, in digits
constexpr int kComboChars = 22;

}  // namespace

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption) {
    auto* l = new QLabel(QString::fromUtf8(caption), parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setFixedWidth(e->fontMetrics().horizontalAdvance(QString(kEditChars, u'0')) + 12);
    e->setAlignment(Qt::AlignRight);
    return e;
}

QComboBox* MakeCombo(QWidget* parent, const char* name, std::initializer_list<const char*> items) {
    auto* c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    for (const char* item : items) c->addItem(QString::fromUtf8(item));
    c->setMinimumWidth(c->fontMetrics().horizontalAdvance(QString(kComboChars, u'0')));
    c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return c;
}

QWidget* MakePage(const char* name) {
    auto* page = new QWidget();
    page->setObjectName(QString::fromLatin1(name));
    return page;
}

void SetLook(QLineEdit* edit, bool editable) {
    edit->setReadOnly(!editable);
    edit->setFocusPolicy(editable ? Qt::StrongFocus : Qt::ClickFocus);
    QPalette p = edit->palette();
    p.setColor(QPalette::Base, QApplication::palette().color(editable ? QPalette::Base : QPalette::Button));
    edit->setPalette(p);
}

}  // namespace zov::editor_widgets
