#include "fkLine.h"

#include <QPainter>
#include <QPainterPath>

namespace kvintor {

namespace {

// A few schematic symbols on a 10-pixel grid.
struct Sketch {
    QPainter& p;

    void wire(QPointF a, QPointF b) { p.drawLine(a, b); }
    void wire(std::initializer_list<QPointF> points) {
        const QPointF* prev = nullptr;
        for (const QPointF& pt : points) {
            if (prev) p.drawLine(*prev, pt);
            prev = &pt;
        }
    }
    void dot(QPointF c) {
        p.save();
        p.setBrush(Qt::black);
        p.drawEllipse(c, 3, 3);
        p.restore();
    }
    void text(QPointF at, const QString& t) { p.drawText(at, t); }
    // Horizontal resistor between a and a + (60, 0).
    void resistorH(QPointF a, const QString& name) {
        wire(a, a + QPointF(15, 0));
        p.drawRect(QRectF(a + QPointF(15, -6), QSizeF(30, 12)));
        wire(a + QPointF(45, 0), a + QPointF(60, 0));
        text(a + QPointF(12, -10), name);
    }
    // Vertical resistor between a and a + (0, 60).
    void resistorV(QPointF a, const QString& name) {
        wire(a, a + QPointF(0, 15));
        p.drawRect(QRectF(a + QPointF(-6, 15), QSizeF(12, 30)));
        wire(a + QPointF(0, 45), a + QPointF(0, 60));
        text(a + QPointF(10, 35), name);
    }
    // Comparator: + and - inputs on the left, output on the right.
    void comparator(QPointF leftTop, const QString& name) {
        QPolygonF tri{leftTop, leftTop + QPointF(0, 60), leftTop + QPointF(60, 30)};
        p.drawPolygon(tri);
        text(leftTop + QPointF(4, 18), QStringLiteral("+"));
        text(leftTop + QPointF(4, 52), QStringLiteral("−"));
        text(leftTop + QPointF(14, -6), name);
    }
    // Diode pointing right, from a to a + (40, 0).
    void diodeH(QPointF a, const QString& name) {
        wire(a, a + QPointF(12, 0));
        QPolygonF tri{a + QPointF(12, -8), a + QPointF(12, 8), a + QPointF(28, 0)};
        p.save();
        p.setBrush(Qt::black);
        p.drawPolygon(tri);
        p.restore();
        wire(a + QPointF(28, -8), a + QPointF(28, 8));
        wire(a + QPointF(28, 0), a + QPointF(40, 0));
        text(a + QPointF(6, -12), name);
    }
    void capacitorV(QPointF a, const QString& name) {
        wire(a, a + QPointF(0, 25));
        wire(a + QPointF(-10, 25), a + QPointF(10, 25));
        wire(a + QPointF(-10, 31), a + QPointF(10, 31));
        wire(a + QPointF(0, 31), a + QPointF(0, 56));
        text(a + QPointF(14, 33), name);
    }
    void ground(QPointF a) {
        wire(a + QPointF(-10, 0), a + QPointF(10, 0));
        wire(a + QPointF(-6, 4), a + QPointF(6, 4));
        wire(a + QPointF(-2, 8), a + QPointF(2, 8));
    }
    void connector(QRectF box, const QString& title, const QStringList& pins) {
        p.drawRect(box);
        text(box.topLeft() + QPointF(4, -6), title);
        for (int i = 0; i < pins.size(); ++i) text(box.topLeft() + QPointF(6, 22 + i * 40), pins[i]);
    }
};

} // namespace

void paintAdapterDiagram(QPainter& painter, const QSize& size) {
    painter.save();
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);
    const double scale = std::min(size.width() / 760.0, size.height() / 470.0);
    painter.scale(scale, scale);
    painter.setPen(QPen(Qt::black, 1.4));
    QFont f = painter.font();
    f.setPointSizeF(8.5);
    painter.setFont(f);
    Sketch s{painter};

    // The PC side: a nine-pin serial connector.
    s.connector(QRectF(20, 60, 110, 250), QStringLiteral("COM-порт ПК (DB-9)"),
                {QStringLiteral("3  TXD"), QStringLiteral("2  RXD"), QStringLiteral("4  DTR"),
                 QStringLiteral("7  RTS"), QStringLiteral("5  GND")});
    // The car side: the diagnostic socket.
    s.connector(QRectF(630, 60, 110, 250), QStringLiteral("Колодка диагностики"),
                {QStringLiteral("K-Line"), QStringLiteral("+12 В"), QStringLiteral("Масса")});

    // Supply from the car: +12 V through a diode, smoothed.
    const QPointF v12(630, 118);
    s.wire(v12, QPointF(560, 118));
    s.diodeH(QPointF(520, 118), QStringLiteral("VD1"));
    s.wire(QPointF(520, 118), QPointF(500, 118));
    s.wire(QPointF(500, 30), QPointF(500, 118));
    s.wire(QPointF(170, 30), QPointF(500, 30));
    s.text(QPointF(360, 24), QStringLiteral("+12 В (питание от автомобиля)"));
    s.capacitorV(QPointF(470, 30), QStringLiteral("C1 10 мкФ"));
    s.ground(QPointF(470, 86));
    // Car ground is the adapter's ground and the PC's signal ground.
    s.wire(QPointF(630, 158), QPointF(600, 158));
    s.wire(QPointF(600, 158), QPointF(600, 420));
    s.wire(QPointF(130, 222), QPointF(150, 222));
    s.wire(QPointF(150, 222), QPointF(150, 420));
    s.wire(QPointF(150, 420), QPointF(600, 420));
    s.ground(QPointF(375, 420));
    s.text(QPointF(380, 440), QStringLiteral("общий провод"));

    // Transmit: TXD (±12 V) through a divider into comparator DA1.1, whose
    // open collector pulls the K-line down against R4.
    s.wire(QPointF(130, 82), QPointF(170, 82));
    s.resistorH(QPointF(170, 82), QStringLiteral("R1 10к"));
    s.wire(QPointF(230, 82), QPointF(280, 82));
    s.dot(QPointF(250, 82));
    s.resistorV(QPointF(250, 82), QStringLiteral("R2 10к"));
    s.wire(QPointF(250, 142), QPointF(250, 150));
    s.ground(QPointF(250, 150));
    s.comparator(QPointF(280, 70), QStringLiteral("DA1.1 LM393"));
    s.wire(QPointF(280, 112), QPointF(270, 112));
    s.text(QPointF(200, 118), QStringLiteral("Uоп 1,5 В"));
    s.wire(QPointF(340, 100), QPointF(560, 100));
    s.dot(QPointF(560, 100));
    s.wire(QPointF(560, 100), QPointF(560, 82));
    s.wire(QPointF(560, 82), QPointF(630, 82));
    s.resistorV(QPointF(540, 30), QStringLiteral("R4 510"));
    s.wire(QPointF(540, 90), QPointF(540, 100));
    s.dot(QPointF(540, 100));

    // Receive: the K-line level against half the supply in comparator DA1.2,
    // back to RXD with a pull-up.
    s.wire(QPointF(560, 100), QPointF(560, 250));
    s.wire(QPointF(560, 250), QPointF(420, 250));
    s.comparator(QPointF(420, 230), QStringLiteral("DA1.2 LM393"));
    s.text(QPointF(380, 290), QStringLiteral("Uоп 6 В (R5, R6)"));
    s.wire(QPointF(420, 276), QPointF(400, 276));
    // The comparator points left here: mirror by drawing its output wire.
    s.wire(QPointF(480, 260), QPointF(490, 260));
    s.wire(QPointF(490, 260), QPointF(490, 340));
    s.wire(QPointF(490, 340), QPointF(230, 340));
    s.resistorV(QPointF(210, 280), QStringLiteral("R3 4,7к"));
    s.wire(QPointF(230, 340), QPointF(210, 340));
    s.wire(QPointF(210, 340), QPointF(170, 340));
    s.wire(QPointF(170, 340), QPointF(170, 122));
    s.wire(QPointF(170, 122), QPointF(130, 122));
    s.dot(QPointF(210, 340));

    // DTR and RTS supply the level converter on some adapters; shown as the
    // options of the settings window.
    s.wire(QPointF(130, 162), QPointF(150, 162));
    s.wire(QPointF(130, 202), QPointF(140, 202));
    s.text(QPointF(154, 166), QStringLiteral("DTR, RTS: питание / управление (опции)"));

    s.text(QPointF(20, 460), QStringLiteral("Эхо: адаптер возвращает в ПК каждый переданный байт (однопроводная K-Line)."));
    painter.restore();
}

fkLine::fkLine(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("fkLine"));
    setWindowTitle(QStringLiteral("Принципиальная схема адаптера  K-Line"));
    if (owner) setWindowIcon(owner->windowIcon());
    resize(780, 490);
}

void fkLine::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintAdapterDiagram(painter, size());
}

} // namespace kvintor
