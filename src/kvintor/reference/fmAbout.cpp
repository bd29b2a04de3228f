#include "fmAbout.h"

#include "DialUp.h"
#include "Picture.h"
#include "UpdateCheck.h"
#include "common/Dialogs.h"
#include "common/Platform.h"
#include "common/Time.h"
#include "main/InitTest.h"
#include "main/Program.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>

namespace kvintor {

namespace about {
const char* const kSection = "fmAbout";
const char* const kUpdateServer = "UpdateServer";
const char* const kUpdateUser = "UpdateUser";
const char* const kUpdatePassword = "UpdatePassword";
const char* const kDownloadPage = "DownloadPage";
const char* const kAuthorMail = "AuthorMail";
const char* const kSite = "Site";
const char* const kDialUpEntry = "DialUpEntry";
// Placeholders until a deployment sets its own: names under a domain that
// never resolves, so that a check fails at once with the download error.
const char* const kDefaultUpdateServer = "ftp://update.kvintor.invalid";
const char* const kDefaultDownloadPage = "http://www.kvintor.invalid/UpdateKvintor.htm";
const char* const kDefaultAuthorMail = "author@kvintor.invalid";
const char* const kDefaultSite = "http://www.kvintor.invalid/";
} // namespace about

namespace {

constexpr unsigned kRussianLayout = 0x04190419;
constexpr unsigned kEnglishLayout = 0x04090409;
constexpr int kBlinkMs = 500; // the picture is shown half a second, hidden half a second

QLabel* link(const QString& name, const QString& text, const QRect& geometry, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(geometry);
    label->setCursor(Qt::PointingHandCursor);
    label->setMouseTracking(true);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, QColor(0, 0, 192));
    label->setPalette(pal);
    return label;
}

} // namespace

fmAbout::fmAbout(Program& program, QWidget* owner, Use use)
    : QDialog(owner), dialUp(&systemDialUp()), p_(program) {
    setObjectName(QStringLiteral("fmAbout"));
    // The program releases its splash itself; a window from the menu goes
    // when it is closed.
    if (use == Use::Window) setAttribute(Qt::WA_DeleteOnClose);
    // Load: the program's icon; the caption.
    setWindowIcon(QApplication::windowIcon());
    setWindowTitle(p_.state.AppTitle + QStringLiteral("О программе  "));
    setFixedSize(540, 270);
    setMouseTracking(true);
    dialUpEntry_ = setting(about::kDialUpEntry);

    Image1 = new Picture(QStringLiteral("Image1"), QStringLiteral(":/kvintor/reference/about.svg"),
                         this);
    Image1->setGeometry(16, 16, 200, 238);
    Image1->setMouseTracking(true);
    // The lamp on the drawing's control unit.
    Image2 = new Picture(QStringLiteral("Image2"),
                         QStringLiteral(":/kvintor/reference/about_lamp.svg"), this);
    Image2->setGeometry(Image1->x() + 143, Image1->y() + 58, 26, 26);
    Image2->setMouseTracking(true);

    Label1 = new QLabel(p_.state.AppTitle, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(236, 22, 290, 30);
    QFont title = Label1->font();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() + 4);
    Label1->setFont(title);
    Label2 = new QLabel(QStringLiteral("Диагностика ЭБУ  Микас 5.4 / 7.х"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(236, 58, 290, 44);
    Label2->setWordWrap(true);
    auto* line = new QFrame(this);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(236, 110, 288, 2);

    Label5 = link(QStringLiteral("Label5"), QStringLiteral(" Обновить программу "),
                  QRect(232, 128, 290, 24), this);
    Label6 = link(QStringLiteral("Label6"), QStringLiteral("Сообщить автору"),
                  QRect(236, 160, 290, 24), this);
    Label8 = link(QStringLiteral("Label8"), setting(about::kSite, about::kDefaultSite),
                  QRect(236, 192, 290, 24), this);
    for (QLabel* l : links())
        l->installEventFilter(this);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kBlinkMs);
    connect(Timer1, &QTimer::timeout, this, &fmAbout::blink);
}

fmAbout::~fmAbout() {
    // Released without closing (the splash, when the main window takes
    // over): the main window is on screen already, or the program is ending.
    *cancel_ = true;
    unload(false);
}

QString fmAbout::setting(const char* key, const char* def) const {
    return p_.GetSetting(QString::fromLatin1(about::kSection), QString::fromLatin1(key),
                         QString::fromUtf8(def));
}

void fmAbout::activated() {
    if (unloaded_) return;
    p_.platform.activateKeyboardLayout(kRussianLayout);
    Timer1->start();
}

void fmAbout::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) activated();
}

void fmAbout::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Blinks also where no window manager hands it the focus.
    if (!unloaded_) Timer1->start();
}

void fmAbout::blink() {
    Image2->setVisible(!Image2->isVisible());
}

void fmAbout::hover(QLabel* over) {
    for (QLabel* l : links()) {
        QFont f = l->font();
        if (f.bold() == (l == over)) continue;
        f.setBold(l == over);
        l->setFont(f);
    }
}

void fmAbout::mouseMoveEvent(QMouseEvent* event) {
    hover(nullptr);
    QDialog::mouseMoveEvent(event);
}

bool fmAbout::eventFilter(QObject* watched, QEvent* event) {
    auto* label = qobject_cast<QLabel*>(watched);
    if (label && (label == Label5 || label == Label6 || label == Label8)) {
        if (event->type() == QEvent::MouseMove) {
            hover(label);
            return true; // not passed on to the window, whose background makes all regular
        } else if (event->type() == QEvent::MouseButtonRelease) {
            const auto* e = static_cast<QMouseEvent*>(event);
            if (e->button() == Qt::LeftButton && label->rect().contains(e->position().toPoint())) {
                if (label == Label5)
                    checkForUpdate();
                else if (label == Label6)
                    writeToAuthor();
                else
                    openSite();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void fmAbout::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}

void fmAbout::closeEvent(QCloseEvent* event) {
    unload(true);
    QDialog::closeEvent(event);
}

void fmAbout::unload(bool showMain) {
    if (unloaded_) return;
    unloaded_ = true;
    *cancel_ = true; // a check under way ends
    hangUp();
    Timer1->stop();
    p_.platform.activateKeyboardLayout(kEnglishLayout);
    if (showMain)
        if (InitTest* main = p_.mainWindow()) main->show();
}

void fmAbout::hangUp() {
    hangUpRemembered(*dialUp, dialUpEntry_);
}

void fmAbout::writeToAuthor() {
    p_.platform.openUrl(QStringLiteral("mailto:") +
                        setting(about::kAuthorMail, about::kDefaultAuthorMail) +
                        QStringLiteral("?Subject=Kvintor&Body=Сообщение о программе:"));
}

void fmAbout::openSite() {
    p_.platform.openUrl(Label8->text());
}

void fmAbout::checkForUpdate() {
    if (checking_ || unloaded_) return;
    checking_ = true;
    setCursor(Qt::BusyCursor);
    UpdateSource source;
    source.server = setting(about::kUpdateServer, about::kDefaultUpdateServer);
    source.user = setting(about::kUpdateUser);
    source.password = setting(about::kUpdatePassword);
    const QString downloadPage = setting(about::kDownloadPage, about::kDefaultDownloadPage);

    // The window's events run during the transfer; the window may close
    // meanwhile (its closing cancels the transfer) or even be released.
    QPointer<fmAbout> alive(this);
    const std::shared_ptr<bool> cancel = cancel_;
    const FetchResult fetched = fetchVersionFile(source, [cancel] {
        common::DoEvents();
        return !*cancel;
    });
    if (!alive) return;
    checking_ = false;
    unsetCursor();

    switch (fetched.state) {
    case FetchState::Failed:
        // A failed download is told as such, never as "no update".
        hangUp();
        p_.dialogs.message(QStringLiteral("Ошибка загрузки с сервера или отмена операции"),
                           p_.state.AppTitle, common::Icon::Critical);
        return;
    case FetchState::Cancelled:
    case FetchState::LocalFailure:
        hangUp();
        return;
    case FetchState::Completed:
        break;
    }
    const Verdict verdict = fetched.oversized
                                ? Verdict::NotAVersion
                                : judgeVersionText(fetched.text, Program::kMajorVersion);
    switch (verdict) {
    case Verdict::NotAVersion:
        hangUp();
        return;
    case Verdict::Newer:
        p_.platform.openUrl(downloadPage);
        return;
    case Verdict::NotNewer:
        hangUp();
        p_.dialogs.message(QStringLiteral("В данный момент обновления к программе Kvintor") +
                               QStringLiteral("\r\n") + QStringLiteral("еще не выпущены"),
                           p_.state.AppTitle, common::Icon::Information);
        return;
    }
}

} // namespace kvintor
