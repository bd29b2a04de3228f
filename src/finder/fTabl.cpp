#include "fTabl.h"
#include "common/CheckBoxAccess.h"

#include "KnownTables.h"
#include "Profile.h"
#include "ProfileView.h"
#include "common/Dialogs.h"
#include "common/Platform.h"
#include "common/SettingsStore.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace finder {

namespace {

#include "DragPointer.xpm"

template <typename W> W* named(W* w, const QString& name) {
    w->setObjectName(name);
    return w;
}

// The four filters of the file dialogs, each a description and its pattern.
const QString kImageFilter =
    QStringLiteral("Бинарные файлы прошивок  .Bin (*.Bin);;Шестнадцатеричные файлы  .Hex (*.Hex);;"
                   "Файлы прошивок  .Rom (*.Rom);;Все файлы (*.*)");

const QString kAddressSection = QStringLiteral("Adr");
const QString kAddressKey = QStringLiteral("a");

} // namespace

QString fTabl::caption() {
    return QStringLiteral("Редактор таблиц файлов прошивок ЭБУ");
}
QString fTabl::messageTitle() {
    return QStringLiteral("Lumeta");
}

fTabl::fTabl(common::SettingsStore& settings, common::Dialogs& dialogs, common::Platform& platform,
             QString app, QWidget* parent)
    : QWidget(parent), settings_(settings), dialogs_(dialogs), platform_(platform),
      app_(std::move(app)), dragPointer_(QPixmap(drag_pointer_xpm), 15, 15) {
    common::installCheckBoxAccess();
    setObjectName(QStringLiteral("fTabl"));
    setWindowTitle(caption());

    Picture1 = named(new ProfileView, QStringLiteral("Picture1"));
    Picture1->setAccessibleName(QStringLiteral("Picture1"));
    Line1 = Picture1->line();

    Label1 = named(new QLabel(QStringLiteral("Адрес:")), QStringLiteral("Label1"));
    Text1 = named(new QLineEdit, QStringLiteral("Text1"));
    Text1->setAccessibleName(QStringLiteral("Text1"));
    Label1->setBuddy(Text1);
    Command1 = named(new QPushButton(QStringLiteral("График")), QStringLiteral("Command1"));
    Command1->setEnabled(false);
    Command2 = named(new QPushButton(QStringLiteral("<")), QStringLiteral("Command2"));
    Command3 = named(new QPushButton(QStringLiteral(">")), QStringLiteral("Command3"));
    Label3 = named(new QLabel(QStringLiteral("Шаг:")), QStringLiteral("Label3"));
    Text3 = named(new QLineEdit(QStringLiteral("1")), QStringLiteral("Text3"));
    Text3->setAccessibleName(QStringLiteral("Text3"));
    Label3->setBuddy(Text3);

    Label7 = named(new QLabel(QStringLiteral("Адрес:")), QStringLiteral("Label7"));
    Label4 = named(new QLabel, QStringLiteral("Label4"));
    Label5 = named(new QLabel, QStringLiteral("Label5"));
    Label2 = named(new QLabel, QStringLiteral("Label2"));
    // Value labels: their text is what they show; the control's name is
    // given as the description.
    for (QLabel* l : {Label4, Label5, Label2})
        l->setAccessibleDescription(l->objectName());
    Label2->setWordWrap(true);
    Label2->setMinimumHeight(2 * fontMetrics().lineSpacing());
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label6 = named(new QLabel(QStringLiteral("Данное:")), QStringLiteral("Label6"));
    Text4 = named(new QLineEdit, QStringLiteral("Text4"));
    Text4->setAccessibleName(QStringLiteral("Text4"));
    Label6->setBuddy(Text4);
    Text4->installEventFilter(this);
    Command5 = named(new QPushButton(QStringLiteral("Исправить")), QStringLiteral("Command5"));
    Command5->setEnabled(false);
    Command6 =
        named(new QPushButton(QStringLiteral("Сохранить в файл")), QStringLiteral("Command6"));
    Command6->setEnabled(false);
    Command7 =
        named(new QPushButton(QStringLiteral("Сохранить рисунок")), QStringLiteral("Command7"));
    Command8 = named(new QPushButton(QStringLiteral("Таблицы")), QStringLiteral("Command8"));
    Command4 = named(new QPushButton(QStringLiteral("Файл")), QStringLiteral("Command4"));
    Check1 = named(new QCheckBox(QStringLiteral("Инв.")), QStringLiteral("Check1"));
    Check2 = named(new QCheckBox(QStringLiteral("Раб.Стол")), QStringLiteral("Check2"));
    Check2->setChecked(true); // the desktop is shown

    for (QLineEdit* t : {Text1, Text3, Text4})
        t->setMaximumWidth(80);
    for (QPushButton* b : {Command2, Command3})
        b->setFixedWidth(36);
    Label4->setMinimumWidth(50);
    Label5->setMinimumWidth(30);

    // Moving the view: file, address, steps, the tables.
    auto* view = new QHBoxLayout;
    view->addWidget(Command4);
    view->addSpacing(12);
    view->addWidget(Label1);
    view->addWidget(Text1);
    view->addWidget(Command1);
    view->addSpacing(12);
    view->addWidget(Command2);
    view->addWidget(Command3);
    view->addWidget(Label3);
    view->addWidget(Text3);
    view->addSpacing(12);
    view->addWidget(Command8);
    view->addStretch();
    view->addWidget(Check1);
    view->addWidget(Check2);

    // The byte under the centre line and its correction.
    auto* centre = new QHBoxLayout;
    centre->addWidget(Label7);
    centre->addWidget(Label4);
    centre->addWidget(Label5);
    centre->addSpacing(24);
    centre->addWidget(Label6);
    centre->addWidget(Text4);
    centre->addWidget(Command5);
    centre->addStretch();
    centre->addWidget(Command6);
    centre->addWidget(Command7);

    // A sunken frame around the profile; Picture1 keeps its own pixels.
    auto* frame = new QFrame;
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setLineWidth(2);
    auto* framed = new QVBoxLayout(frame);
    framed->setContentsMargins(2, 2, 2, 2);
    framed->addWidget(Picture1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame, 0, Qt::AlignHCenter);
    layout->addLayout(view);
    layout->addLayout(centre);
    layout->addWidget(Label2);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Command1, &QPushButton::clicked, this, &fTabl::showAtAddress);
    connect(Command2, &QPushButton::clicked, this, [this] { stepView(+1); });
    connect(Command3, &QPushButton::clicked, this, [this] { stepView(-1); });
    connect(Command5, &QPushButton::clicked, this, &fTabl::correctByte);
    connect(Command6, &QPushButton::clicked, this, &fTabl::writeBack);
    connect(Command7, &QPushButton::clicked, this, &fTabl::savePicture);
    connect(Command8, &QPushButton::clicked, this, &fTabl::showTables);
    connect(Command4, &QPushButton::clicked, this, &fTabl::openFile);
    connect(Check1, &QCheckBox::toggled, this, &fTabl::invertColours);
    connect(Check2, &QCheckBox::toggled, this, &fTabl::showDesktop);
    connect(Picture1, &ProfileView::pressed, this, &fTabl::dragPress);
    connect(Picture1, &ProfileView::moved, this, &fTabl::dragMove);
    connect(Picture1, &ProfileView::released, this, &fTabl::dragRelease);

    Text1->setText(settings_.GetSetting(app_, kAddressSection, kAddressKey, QStringLiteral("0")));
    Text1->setFocus();
}

void fTabl::redraw() {
    if (!model_.isLoaded()) return;
    const int start = model_.normalise();
    const int centre = start + kCentreColumn;
    Label4->setText(QString::number(centre));
    Label5->setText(QString::number(model_.byteAt(centre)));
    Label2->setText(tableNameAt(centre));
    Picture1->setPicture(renderProfile(model_.image(), start, inverted_));
}

void fTabl::showAtAddress() {
    switch (model_.showAddress(Text1->text())) {
    case ImageModel::Address::NotANumber:
        dialogs_.message(QStringLiteral("Необходимо ввести адрес (0-65022)"),
                         QStringLiteral("Просмотр файлов прошивок ЭБУ"), common::Icon::Exclamation);
        Text1->clear();
        return;
    case ImageModel::Address::Clamped:
        Text1->setText(QString::number(kLastStart));
        break;
    case ImageModel::Address::Shown:
        break;
    }
    redraw();
}

void fTabl::stepView(int direction) {
    model_.step(Text3->text(), direction);
    redraw();
}

void fTabl::showTables() {
    model_.jumpToTables();
    Text1->setText(QString::number(kTablesCentre));
    redraw();
}

void fTabl::correctByte() {
    if (!model_.isLoaded() || Label4->text().isEmpty()) return;
    switch (model_.correct(Label4->text().toInt(), Text4->text())) {
    case ImageModel::Correction::Ignored:
        return;
    case ImageModel::Correction::Refused:
        dialogs_.message(QStringLiteral("Вводимые  данные  длжны  быть (0 - 255)"), messageTitle(),
                         common::Icon::Information);
        Text4->clear();
        return;
    case ImageModel::Correction::Corrected:
        Command6->setEnabled(true);
        stepView(+1);
        return;
    }
}

void fTabl::writeBack() {
    const common::Answer a = dialogs_.message(
        QStringLiteral("Если вы сохраните изменения в файл, то отменить их будет не возможно") +
            QStringLiteral("\r\n") +
            QStringLiteral("                     ВЫ ЖЕЛАЕТЕ СОХРАНИТЬ ИЗМЕНЕНИЯ?"),
        QStringLiteral("Сохранение в файл"), common::Icon::Exclamation, common::Buttons::YesNo,
        common::Answer::No);
    if (a != common::Answer::Yes || !model_.isLoaded()) return;
    writeImage();
}

bool fTabl::writeImage() {
    QString path = model_.fileName();
    if (path.isEmpty()) {
        // No file named (the open dialogue was cancelled): the user names one.
        path = dialogs_.saveFile(QStringLiteral("Сохранить файл прошивки ЭБУ"), QString(),
                                 kImageFilter);
        if (path.isEmpty()) return false;
    }
    if (model_.writeTo(path)) {
        Command6->setEnabled(false);
        return true;
    }
    dialogs_.message(QStringLiteral("Не  удалось  сохранить  изменения  в  файл") +
                         QStringLiteral("\r\n") + path,
                     QStringLiteral("Сохранение в файл"), common::Icon::Critical);
    return false;
}

bool fTabl::unsavedChangesCheck() {
    if (!model_.differsFromFile()) return true;
    const common::Answer a = dialogs_.message(
        QStringLiteral("В процессе работы Файл был изменён") + QStringLiteral("\r\n") +
            QStringLiteral("     Сохранить изменения в файле?"),
        QStringLiteral("Сохранение файла"), common::Icon::Exclamation, common::Buttons::YesNoCancel,
        common::Answer::No);
    if (a == common::Answer::Cancel) return false;
    if (a != common::Answer::Yes) return true;
    return writeImage();
}

void fTabl::openFile() {
    if (!unsavedChangesCheck()) return;
    const QString path =
        dialogs_.openFile(QStringLiteral("Файлы прошивок ЭБУ"), QString(), kImageFilter);
    if (path.isEmpty()) {
        Command1->setEnabled(false);
        model_.forgetFile();
        return;
    }
    openPath(path);
}

void fTabl::openPath(const QString& path) {
    Command1->setEnabled(true);
    if (model_.load(path) != ImageModel::Load::Loaded)
        dialogs_.message(QStringLiteral("Данный файл не является программным файлом ЭБУ"),
                         QStringLiteral("Открытие файла прошивки"), common::Icon::Critical);
    showAtAddress();
}

void fTabl::savePicture() {
    QString path, why;
    switch (finder::savePicture(Picture1->picture(), platform_.desktopFolder(), &path, &why)) {
    case PictureSave::Saved:
        return;
    case PictureSave::TooMany:
        dialogs_.message(QStringLiteral("Слишком много рисунков переименуйте или удалите их"),
                         QStringLiteral("Сохранение графиков"), common::Icon::Exclamation);
        return;
    case PictureSave::NoFolder:
        dialogs_.message(
            QStringLiteral("Не  возможно  сохранить  рисунок,  Файл  WScript.exe  не  найден"),
            QStringLiteral("Таблицы"), common::Icon::Critical);
        return;
    case PictureSave::Failed:
        dialogs_.message(QStringLiteral("Не  возможно  сохранить  рисунок") +
                             QStringLiteral("\r\n") + QDir::toNativeSeparators(path) +
                             QStringLiteral("\r\n") + QStringLiteral("Причина: ") + why,
                         QStringLiteral("Сохранение графиков"), common::Icon::Critical);
        return;
    }
}

void fTabl::invertColours(bool checked) {
    // White becomes black only when the box is ticked; anything else goes
    // back to black on white.
    inverted_ = !inverted_ && checked;
    model_.clearDrag();
    redraw();
}

void fTabl::showDesktop(bool checked) {
    platform_.showDesktopWindow(checked);
    raise();
    activateWindow();
}

void fTabl::dragPress(QPointF at) {
    model_.press(at.x());
    Picture1->setCursor(dragPointer_);
}

void fTabl::dragMove(QPointF at, bool leftButton) {
    const ImageModel::DragMove m = model_.move(at.x(), at.y(), leftButton);
    if (m.dragPointer)
        Picture1->setCursor(dragPointer_);
    else
        Picture1->unsetCursor();
    if (m.redraw) redraw();
}

void fTabl::dragRelease() {
    Picture1->unsetCursor();
    model_.release();
}

bool fTabl::eventFilter(QObject* watched, QEvent* event) {
    // Clicking the value box (or moving into it with Tab) arms "Исправить".
    if (watched == Text4) {
        if (event->type() == QEvent::MouseButtonPress) Command5->setEnabled(true);
        if (event->type() == QEvent::FocusIn) {
            const Qt::FocusReason r = static_cast<QFocusEvent*>(event)->reason();
            if (r == Qt::TabFocusReason || r == Qt::BacktabFocusReason) Command5->setEnabled(true);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void fTabl::closeEvent(QCloseEvent* event) {
    if (!unsavedChangesCheck()) {
        event->ignore();
        return;
    }
    settings_.SaveSetting(app_, kAddressSection, kAddressKey, Text1->text());
    platform_.showDesktopWindow(true);
    event->accept();
}

} // namespace finder
