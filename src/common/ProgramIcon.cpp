#include "ProgramIcon.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace common {

QString desktopEntryId(DesktopProgram program) {
    switch (program) {
    case DesktopProgram::Kvintor:
    case DesktopProgram::Uninstall:
        return QStringLiteral("ru.kvintor.Kvintor");
    case DesktopProgram::Fermel:
        return QStringLiteral("ru.kvintor.Fermel");
    case DesktopProgram::Lumeta:
        return QStringLiteral("ru.kvintor.Lumeta");
    case DesktopProgram::KlineSim:
        return QStringLiteral("ru.kvintor.KlineSim");
    }
    return QString();
}

QIcon programIcon(DesktopProgram program) {
    // Drawn here rather than left to Qt's SVG icon plugin, which an installed
    // Qt may lack: the pixmaps need only the SVG library the program links.
    QSvgRenderer renderer(QStringLiteral(":/icons/") + desktopEntryId(program) +
                          QStringLiteral(".svg"));
    QIcon icon;
    if (!renderer.isValid()) return icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

void showAsDesktopProgram(QGuiApplication& app, DesktopProgram program) {
    app.setWindowIcon(programIcon(program));
    if (program != DesktopProgram::Uninstall)
        QGuiApplication::setDesktopFileName(desktopEntryId(program));
}

} // namespace common
