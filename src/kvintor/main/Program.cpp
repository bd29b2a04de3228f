#include "Program.h"

#include "InitTest.h"
#include "common/CheckBoxAccess.h"
#include "common/Dialogs.h"
#include "common/Platform.h"
#include "common/SettingsStore.h"
#include "fNastr.h"

#include "link/Commands.h"

#include <QApplication>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QFileInfo>
#include <QScreen>
#include <QStandardPaths>
#include <cstdio>
#include <cstdlib>

namespace kvintor {

const QString Program::kApp = QStringLiteral("Kvintor");

Program::Program(common::SettingsStore& settingsStore, common::Dialogs& dialogSeam,
                 common::Platform& platformSeam, kline::PortMap& ports, kline::PortFactory factory,
                 QString appFolder)
    : settings(settingsStore), dialogs(dialogSeam), platform(platformSeam),
      ctx{settings, dialogs, platform, state, [this] { SaveSettingsAndQuit(); }},
      ecu(ctx, ports, std::move(factory), kApp), ledger(ecu, state) {
    ecu.setExchangeObserver([this](const kline::ExchangeSeen& seen) { exchanges.add(seen); });
    if (!appFolder.endsWith(QLatin1Char('/'))) appFolder += QLatin1Char('/');
    state.AppFolder = appFolder;
    state.AppTitle = QStringLiteral("Kvintor  (версия 2.%1)").arg(kMajorVersion);
    endProgram = [] {
        std::fflush(nullptr);
        std::_Exit(0);
    };
    execModal = [](QDialog& d) { return d.exec(); };
    screenSize = [] {
        const QScreen* s = QGuiApplication::primaryScreen();
        return s ? s->size() : QSize(1024, 768);
    };
    availableArea = [] {
        const QScreen* s = QGuiApplication::primaryScreen();
        return s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
    };
    warn = [](const QString& line) {
        std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
        std::fflush(stderr);
    };
    dataFolder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Kvintor/");
    common::installCheckBoxAccess();
}

Program::~Program() = default;

QString Program::GetSetting(const QString& section, const QString& key, const QString& def) const {
    return settings.GetSetting(kApp, section, key, def);
}

bool Program::SaveSetting(const QString& section, const QString& key, const QString& value) {
    return settings.SaveSetting(kApp, section, key, value);
}

ReportLog Program::report() const {
    // Beside the program in a folder of its own; a folder of the system is
    // never the report's, even for root, who may write anywhere.
    QFileInfo folder(state.AppFolder);
    if (folder.isDir() && folder.isWritable() && !ReportLog::isSystemFolder(state.AppFolder))
        return ReportLog(state.AppFolder);
    return ReportLog(dataFolder);
}

void Program::writeReport(const QString& line) {
    const ReportLog log = report();
    QString why;
    if (log.write(line, QDateTime::currentDateTime(), &why) || reportFailureTold_) return;
    reportFailureTold_ = true;
    if (warn) warn(QStringLiteral("Kvintor: отчёт не записан в %1: %2").arg(QDir::toNativeSeparators(log.path()), why));
}

bool Program::shutdownTicked() const { return main_ && main_->shutdownTicked(); }

void Program::closeSplash() { splash_.reset(); }

bool Program::StartUp() {
    // 1. The splash, shown without waiting.
    if (makeSplash) {
        splash_ = makeSplash();
    } else {
        auto label = std::make_unique<QLabel>(state.AppTitle + QStringLiteral("\n\nДиагностика ЭБУ  Микас 5.4 / 7.х"));
        label->setObjectName(QStringLiteral("Splash"));
        label->setWindowTitle(state.AppTitle);
        label->setAlignment(Qt::AlignCenter);
        label->resize(360, 160);
        splash_ = std::move(label);
    }
    if (splash_) splash_->show();
    QCoreApplication::processEvents();

    // 3. Settings.
    ecu.PortNumber = GetSetting(QStringLiteral("fNastr"), QStringLiteral("ВыбрПорт"), QStringLiteral("0"));
    ecu.DtrSetting = QString::number(GetSetting(QStringLiteral("fNastr"), QStringLiteral("DTR"), QStringLiteral("0")).toInt());
    ecu.RtsSetting = QString::number(GetSetting(QStringLiteral("fNastr"), QStringLiteral("RTS"), QStringLiteral("0")).toInt());
    state.SpeakerMode = GetSetting(QStringLiteral("fNastr"), QStringLiteral("SysDin"), QStringLiteral("1")).toInt();
    state.ReportEnabled = GetSetting(QStringLiteral("fNastr"), QStringLiteral("Otchet"), QStringLiteral("0")).toInt();

    // 4. Sound: the system tone from version 5 on; with no audio output at
    // all, sound is unavailable (as without the speaker library before).
    state.OsMajorVersion = platform.osMajorVersion();
    if (state.OsMajorVersion < 5) {
        if (QFile::exists(state.AppFolder + QStringLiteral("Speaker.dll"))) {
            if (state.SpeakerMode == 2) state.SpeakerMode = 1;
            else if (state.SpeakerMode > 2) state.SpeakerMode = 0;
        } else {
            state.SpeakerMode = 2;
        }
    } else if (!platform.soundOutputAvailable()) {
        state.SpeakerMode = 2;
    } else if (state.SpeakerMode == 2) {
        // An audio output is there again: "no sound" from an earlier run,
        // or from a beep that failed once, does not stay for good.
        state.SpeakerMode = 1;
    } else if (state.SpeakerMode > 2) {
        state.SpeakerMode = 0;
    }

    // Main window first, so that the settings window has its owner.
    main_ = std::make_unique<InitTest>(*this);
    for (const auto& hook : whenMainWindowBuilt) hook(*main_);

    // 5. The port.
    const int n = ecu.PortNumber.toInt();
    const bool inRange = ecu.PortNumber.size() == 1 && n >= 1 && n <= 4;
    if (!inRange) {
        if (ecu.FindFreePort() == 0) return false;
        ecu.PortNumber = QStringLiteral("1");
        showSettingsWindow();
        if (ended_) return false;
    } else if (ecu.OpenPort(n) != 0) {
        if (ecu.FindFreePort() == 0) return false;
        BeepSignal();
        dialogs.message(QStringLiteral("Порт COM  ") + ecu.PortNumber +
                            QStringLiteral("  Занят  какой-то  программой,  или  не  существует.") +
                            QStringLiteral("\r\n") +
                            QStringLiteral("Подождите  пока  он  освободится  или  выберите  другой."),
                        state.AppTitle, common::Icon::Information);
        showSettingsWindow();
        if (ended_) return false;
    }

    // 6. No port, no program.
    if (ecu.PortHandle() < 1) {
        SaveSettingsAndQuit();
        return false;
    }

    // 8. The input language becomes English (United States).
    platform.activateKeyboardLayout(0x04090409);

    // 9. The screen check: at 800 x 600 the main window opens maximised.
    const QString windSt = GetSetting(QStringLiteral("InitTest"), QStringLiteral("WindSt"), QStringLiteral("0"));
    const QSize screen = screenSize();
    if ((screen.width() + screen.height()) * 15 == 21000) {
        main_->setWindowState(Qt::WindowMaximized);
        if (windSt.toInt() == 0) ResetWindowPositions();
    } else if (windSt.toInt() == 2) {
        ResetWindowPositions();
    }

    // 10. The main window.
    main_->show();
    return true;
}

void Program::showSettingsWindow() {
    fNastr window(*this, main_.get());
    execModal(window);
    window.finish();
}

void Program::addEndHook(QObject* owner, std::function<void()> hook) {
    endHooks_.emplace_back(owner, std::move(hook));
}

void Program::endWithReset() {
    if (ended_) return;
    if (main_) main_->stopTimers();
    const auto hooks = std::move(endHooks_);
    for (const auto& [owner, hook] : hooks)
        if (owner && hook) hook();
    // What a window could not give back on the line goes before the reset.
    ledger.settle();
    ecu.EcuExchange(kline::cmd::resetWorkingVariables());
    SaveSettingsAndQuit();
}

void Program::SaveSettingsAndQuit() {
    if (ended_) return;
    if (ecu.PortHandle() > 0) ecu.ClosePort();
    bool stored = SaveSetting(QStringLiteral("fNastr"), QStringLiteral("ВыбрПорт"), ecu.PortNumber);
    stored = SaveSetting(QStringLiteral("fNastr"), QStringLiteral("DTR"), ecu.DtrSetting) && stored;
    stored = SaveSetting(QStringLiteral("fNastr"), QStringLiteral("RTS"), ecu.RtsSetting) && stored;
    stored = SaveSetting(QStringLiteral("fNastr"), QStringLiteral("SysDin"), QString::number(state.SpeakerMode)) && stored;
    stored = SaveSetting(QStringLiteral("fNastr"), QStringLiteral("Otchet"), QString::number(state.ReportEnabled)) && stored;
    int windowState = 0;
    if (main_) {
        if (main_->windowState() & Qt::WindowMinimized) windowState = 1;
        else if (main_->windowState() & Qt::WindowMaximized) windowState = 2;
    }
    stored = SaveSetting(QStringLiteral("InitTest"), QStringLiteral("WindSt"), QString::number(windowState)) && stored;
    if (!stored) {
        // Without this the next start would open the first-start window
        // again with no hint why; the end itself goes on.
        dialogs.message(QStringLiteral("Настройки программы не сохранены.") + QStringLiteral("\r\n") +
                            QStringLiteral("Файл: ") + QDir::toNativeSeparators(settings.fileFor(kApp)) +
                            QStringLiteral("\r\n") + QStringLiteral("Причина: ") + settings.lastError(),
                        state.AppTitle, common::Icon::Exclamation);
    }
    if (shutdownTicked()) platform.shutdownComputer();
    ended_ = true;
    if (endProgram) endProgram();
}

void Program::ResetWindowPositions() {
    for (const char* section : {"rfCoefCO", "rfCoeff12", "rfObor", "rfRegRDV", "rfSostSm", "rfTemper",
                                "rfTempVozd", "rfUgollVpryska", "rfUoz"})
        SaveSetting(QString::fromLatin1(section), QStringLiteral("Left"), QString());
}

void Program::ShowTestHint(int code) {
    BeepSignal();
    switch (code) {
    case 1:
        dialogs.message(QStringLiteral("Для  продолжения  теста  необходимо  запустить  двигатель"),
                        state.AppTitle, common::Icon::Information);
        break;
    case 3:
        dialogs.message(QStringLiteral("Тест  прерван.  Дроссельная  заслонка  не  закрыта"), state.AppTitle,
                        common::Icon::Exclamation);
        break;
    case 4:
        dialogs.message(QStringLiteral("Остановите  тест  нажатием  на  клавишу  /Стоп/"), state.AppTitle,
                        common::Icon::Information);
        break;
    default:
        break;
    }
}

} // namespace kvintor
