#include "console/shell/widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QHBoxLayout>
#include <QGridLayout>

#include "console/shell/conventions.h"
#include "console/shell/text.h"

namespace plover::ui {

QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

QLabel* label(QWidget* parent, const char* name, const QString& caption) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

QGroupBox* frame(QWidget* parent, const char* name, const QString& caption) {
    auto* f = new QGroupBox(caption, parent);
    f->setObjectName(QLatin1String(name));
    return f;
}

QLineEdit* hexField(QWidget* parent, const char* name, int maxLength, const QString& text) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    if (maxLength > 0) e->setMaxLength(maxLength);
    e->setText(text);
    HexKeyFilter::install(e);
    return e;
}

QLineEdit* maskedField(QWidget* parent, const char* name, const QString& mask, const QString& text) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setInputMask(mask);
    e->setText(text);
    return e;
}

QComboBox* comboBox(QWidget* parent, const char* name, const QStringList& items, const QString& text) {
    auto* c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    // The operator's text stays as typed: no completion, and Enter does not swap it for an item
    // that matches but for case ("com3" is not "COM3").
    c->setCompleter(nullptr);
    c->addItems(items);
    c->setCurrentText(text);
    return c;
}

QListWidget* logList(QWidget* parent, const char* name) {
    auto* l = new QListWidget(parent);
    l->setObjectName(QLatin1String(name));
    l->setMinimumHeight(120);
    return l;
}

QLabel* title(QWidget* parent, const char* name, const QString& caption) {
    QLabel* l = label(parent, name, caption);
    QFont f = l->font();
    f.setPointSizeF(f.pointSizeF() * 1.5);
    f.setBold(true);
    l->setFont(f);
    l->setAlignment(Qt::AlignCenter);
    return l;
}

QLineEdit* textField(QWidget* parent, const char* name, const QString& text) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setText(text);
    return e;
}

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& caption) {
    auto* c = new QCheckBox(caption, parent);
    c->setObjectName(QLatin1String(name));
    return c;
}

QLabel* resultLabel(QWidget* parent, const char* name) {
    QLabel* l = label(parent, name, {});
    l->setMinimumWidth(220);
    l->setFrameShape(QFrame::StyledPanel);
    return l;
}

SystemCommands systemCommands(QWidget* parent) {
    SystemCommands s;
    s.frame = frame(parent, "WriteDeviceNo", qtTrId(" 系统命令 "));
    s.pcId = hexField(s.frame, "pc_id", 2);
    s.pcId->setMaximumWidth(60);
    s.port = comboBox(s.frame, "PORT", {}, {});
    s.baudRate = comboBox(s.frame, "BaudRate", {}, {});
    auto* fields = new QGridLayout;
    fields->addWidget(label(s.frame, "Label1", qtTrId("机器编号:")), 0, 0);
    fields->addWidget(s.pcId, 0, 1);
    fields->addWidget(label(s.frame, "Label4", qtTrId("(16进制)")), 0, 2);
    fields->addWidget(label(s.frame, "Label3", qtTrId("通信串口:")), 1, 0);
    fields->addWidget(s.port, 1, 1, 1, 2);
    fields->addWidget(label(s.frame, "Label5", qtTrId("波特率:")), 2, 0);
    fields->addWidget(s.baudRate, 2, 1, 1, 2);
    s.column = new QVBoxLayout;
    s.column->addLayout(fields);
    return s;
}

QListWidget* SystemCommands::addLog(int minimumWidth) {
    QListWidget* log = logList(frame);
    log->setMinimumWidth(minimumWidth);
    auto* layout = new QHBoxLayout(frame);
    layout->addLayout(column);
    layout->addWidget(log, 1);
    return log;
}

namespace {

// An option button selects: a click on the one already selected keeps it selected. (A radio
// button that is not auto-exclusive would toggle itself off, leaving its group with none.)
class SelectingButton final : public QRadioButton {
public:
    using QRadioButton::QRadioButton;

protected:
    void nextCheckState() override {
        if (!isChecked()) setChecked(true);
    }
};

}  // namespace

OptionGroup::OptionGroup(QWidget* parent, const QList<Option>& options) {
    for (const Option& o : options) {
        QRadioButton* b = new SelectingButton(o.caption, parent);
        b->setObjectName(QLatin1String(o.name));
        // Exclusive by hand: the buttons may sit in different layouts of the same parent.
        QObject::connect(b, &QRadioButton::toggled, b, [this, b](bool on) {
            if (!on) return;
            for (QRadioButton* other : buttons_)
                if (other != b) other->setChecked(false);
        });
        b->setAutoExclusive(false);
        buttons_ << b;
        codes_ << o.code;
    }
}

std::uint8_t OptionGroup::code(std::uint8_t noneChosen) const {
    for (qsizetype i = 0; i < buttons_.size(); ++i)
        if (buttons_[i]->isChecked()) return codes_[i];
    return noneChosen;
}

void OptionGroup::choose(const char* name) {
    for (QRadioButton* b : buttons_) b->setChecked(b->objectName() == QLatin1String(name));
}

}  // namespace plover::ui
