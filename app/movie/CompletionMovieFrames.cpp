#include "app/movie/CompletionMovieFrames.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace lunvik {

namespace {

// The three steps, in seconds from the start.
constexpr double takeOutEnd = 2.0;
constexpr double washEnd = 4.4;

constexpr double floorY = 300;
// The screen's frame where it stands to be washed and dried.
const QRectF standingFrame(145, 72, 170, 210);
constexpr double frameBorder = 12;

double clamp01(double value) {
    return std::clamp(value, 0.0, 1.0);
}

// 0 before start, 1 after end, eased in and out between.
double ease(double t, double start, double end) {
    const double x = clamp01((t - start) / (end - start));
    return x * x * (3 - 2 * x);
}

QColor mix(const QColor& a, const QColor& b, double amount) {
    const double k = clamp01(amount);
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * k),
                            float(a.greenF() + (b.greenF() - a.greenF()) * k),
                            float(a.blueF() + (b.blueF() - a.blueF()) * k),
                            float(a.alphaF() + (b.alphaF() - a.alphaF()) * k));
}

void paintBackground(QPainter& p) {
    QLinearGradient wall(0, 0, 0, floorY);
    wall.setColorAt(0, QColor(0xee, 0xf2, 0xf6));
    wall.setColorAt(1, QColor(0xd6, 0xde, 0xe6));
    p.fillRect(QRectF(0, 0, CompletionMovieFrames::width, floorY), wall);
    QLinearGradient floor(0, floorY, 0, CompletionMovieFrames::height);
    floor.setColorAt(0, QColor(0xb4, 0xbd, 0xc6));
    floor.setColorAt(1, QColor(0xc9, 0xd0, 0xd7));
    p.fillRect(
        QRectF(0, floorY, CompletionMovieFrames::width, CompletionMovieFrames::height - floorY),
        floor);
    p.setPen(QPen(QColor(0x9c, 0xa6, 0xb0), 2));
    p.drawLine(QPointF(0, floorY), QPointF(CompletionMovieFrames::width, floorY));
}

// The picture that was on the film: where it was, the emulsion got no light.
QPainterPath motif(const QRectF& mesh) {
    QPainterPath path;
    const QPointF centre(mesh.center().x(), mesh.top() + mesh.height() * 0.34);
    const double outer = mesh.width() * 0.30;
    const double inner = outer * 0.42;
    QPolygonF star;
    for (int i = 0; i < 10; ++i) {
        const double angle = -std::numbers::pi / 2 + i * std::numbers::pi / 5;
        const double r = i % 2 == 0 ? outer : inner;
        star << centre + QPointF(std::cos(angle) * r, std::sin(angle) * r);
    }
    path.addPolygon(star);
    path.closeSubpath();
    const double widths[] = {0.72, 0.56, 0.40};
    for (int i = 0; i < 3; ++i) {
        const double w = mesh.width() * widths[i];
        path.addRoundedRect(QRectF(mesh.center().x() - w / 2,
                                   mesh.top() + mesh.height() * (0.64 + 0.09 * i), w,
                                   mesh.height() * 0.05),
                            3, 3);
    }
    path.setFillRule(Qt::WindingFill);
    return path;
}

// The imaging device; the screen is drawn before it, so the part still
// inside is hidden.
void paintDevice(QPainter& p, double shift, double t) {
    const QRectF body(400 + shift, 58, 210, floorY - 58);
    QLinearGradient shade(body.topLeft(), body.topRight());
    shade.setColorAt(0, QColor(0x5e, 0x69, 0x75));
    shade.setColorAt(1, QColor(0x4a, 0x54, 0x5f));
    p.setPen(Qt::NoPen);
    p.setBrush(shade);
    p.drawRoundedRect(body, 8, 8);
    // The opening the screen slides through.
    p.setBrush(QColor(0x2b, 0x31, 0x38));
    p.drawRect(QRectF(body.left(), standingFrame.top() - 6, 7, standingFrame.height() + 10));
    // Lid and panel.
    p.setBrush(QColor(0x72, 0x7e, 0x8a));
    p.drawRoundedRect(QRectF(body.left(), body.top(), body.width(), 26), 8, 8);
    p.setBrush(QColor(0x1f, 0x2a, 0x33));
    const QRectF panel(body.left() + 40, body.top() + 60, body.width() - 80, 46);
    p.drawRoundedRect(panel, 5, 5);
    // The panel's lamp: blinking while the job finishes, steady after.
    const bool lit = t > 0.6 || int(t * 5) % 2 == 0;
    p.setBrush(lit ? QColor(0x5c, 0xd6, 0x7a) : QColor(0x2e, 0x5a, 0x3a));
    p.drawEllipse(QPointF(panel.left() + 20, panel.center().y()), 7, 7);
    p.setBrush(QColor(0x3a, 0x8d, 0xd0));
    p.drawRoundedRect(QRectF(panel.left() + 40, panel.center().y() - 5, panel.width() - 56, 10), 4,
                      4);
    // Feet.
    p.setBrush(QColor(0x33, 0x3a, 0x42));
    p.drawRect(QRectF(body.left() + 16, floorY - 6, 30, 6));
    p.drawRect(QRectF(body.right() - 46, floorY - 6, 30, 6));
}

void paintWashBooth(QPainter& p, double opacity) {
    if (opacity <= 0) {
        return;
    }
    p.save();
    p.setOpacity(opacity);
    const QRectF booth(100, 34, 262, floorY - 34);
    p.setPen(QPen(QColor(0x9f, 0xb0, 0xc0), 4));
    p.setBrush(QColor(0xcc, 0xda, 0xe6));
    p.drawRoundedRect(booth, 6, 6);
    // Tiles.
    p.setPen(QPen(QColor(0xbb, 0xcb, 0xd9), 1));
    for (double y = booth.top() + 30; y < booth.bottom() - 10; y += 30) {
        p.drawLine(QPointF(booth.left() + 4, y), QPointF(booth.right() - 4, y));
    }
    for (double x = booth.left() + 30; x < booth.right() - 4; x += 30) {
        p.drawLine(QPointF(x, booth.top() + 4), QPointF(x, booth.bottom() - 14));
    }
    // Drain grating.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x6f, 0x7c, 0x88));
    p.drawRect(QRectF(booth.left() + 4, booth.bottom() - 12, booth.width() - 8, 10));
    p.setBrush(QColor(0x9a, 0xa7, 0xb3));
    for (double x = booth.left() + 10; x < booth.right() - 8; x += 10) {
        p.drawRect(QRectF(x, booth.bottom() - 10, 4, 6));
    }
    p.restore();
}

// The spray gun at the given height, with its hose, and its fan of water
// against the mesh while it sprays.
void paintSprayGun(QPainter& p, double y, double t, bool spraying, const QRectF& mesh) {
    const QPointF tip(404, y);
    if (spraying) {
        QPolygonF fan;
        fan << tip << QPointF(mesh.right(), y - 22) << QPointF(mesh.left(), y - 30)
            << QPointF(mesh.left(), y + 30) << QPointF(mesh.right(), y + 22);
        QLinearGradient water(tip, QPointF(mesh.left(), y));
        water.setColorAt(0, QColor(0xd8, 0xee, 0xff, 220));
        water.setColorAt(1, QColor(0xa8, 0xd4, 0xf5, 90));
        p.setPen(Qt::NoPen);
        p.setBrush(water);
        p.drawPolygon(fan);
        // Streaks that flicker from frame to frame.
        p.setPen(QPen(QColor(255, 255, 255, 200), 1.4, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 9; ++i) {
            const double spread = (i - 4) / 4.0;
            const double wobble = std::sin(t * 47 + i * 1.7) * 4;
            const QPointF end(mesh.left() + 8, y + spread * 28 + wobble);
            const double from = 0.15 + 0.25 * (0.5 + 0.5 * std::sin(t * 31 + i));
            p.drawLine(tip + (end - tip) * from, tip + (end - tip) * std::min(1.0, from + 0.45));
        }
    }
    // Hose to the floor.
    QPainterPath hose;
    hose.moveTo(tip + QPointF(52, 6));
    hose.cubicTo(QPointF(520, y + 40), QPointF(470, floorY - 30), QPointF(560, floorY));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x2f, 0x36, 0x3d), 7, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(hose);
    // Gun.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3c, 0x46, 0x50));
    p.drawRoundedRect(QRectF(tip.x() + 8, y - 8, 50, 16), 5, 5);
    p.setBrush(QColor(0xd9, 0x5b, 0x2b));
    p.drawRoundedRect(QRectF(tip.x() + 30, y + 4, 12, 22), 3, 3);
    p.setBrush(QColor(0x8b, 0x96, 0xa1));
    p.drawRect(QRectF(tip.x(), y - 4, 10, 8));
}

void paintDryingRack(QPainter& p, double opacity) {
    if (opacity <= 0) {
        return;
    }
    p.save();
    p.setOpacity(opacity);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x7b, 0x86, 0x91));
    p.drawRect(QRectF(118, 48, 8, floorY - 48));
    p.drawRect(QRectF(334, 48, 8, floorY - 48));
    p.drawRoundedRect(QRectF(110, 44, 240, 10), 4, 4);
    p.drawRect(QRectF(100, floorY - 6, 36, 6));
    p.drawRect(QRectF(324, floorY - 6, 36, 6));
    // Hooks holding the frame.
    p.setPen(QPen(QColor(0x5a, 0x64, 0x6e), 3));
    p.drawLine(QPointF(180, 54), QPointF(180, standingFrame.top() + 4));
    p.drawLine(QPointF(280, 54), QPointF(280, standingFrame.top() + 4));
    p.restore();
}

void paintFan(QPainter& p, double opacity, double t) {
    if (opacity <= 0) {
        return;
    }
    p.save();
    p.setOpacity(opacity);
    const QPointF centre(478, 168);
    const double radius = 58;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x55, 0x60, 0x6b));
    p.drawRect(QRectF(centre.x() - 5, centre.y(), 10, floorY - centre.y()));
    p.drawRoundedRect(QRectF(centre.x() - 40, floorY - 8, 80, 8), 3, 3);
    p.setBrush(QColor(0xe3, 0xe8, 0xed));
    p.setPen(QPen(QColor(0x55, 0x60, 0x6b), 6));
    p.drawEllipse(centre, radius, radius);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x6c, 0xa0, 0xcf));
    const double turn = t * 900;
    for (int i = 0; i < 3; ++i) {
        p.save();
        p.translate(centre);
        p.rotate(turn + i * 120);
        QPainterPath blade;
        blade.moveTo(0, 0);
        blade.cubicTo(QPointF(18, -30), QPointF(46, -18), QPointF(48, -4));
        blade.cubicTo(QPointF(40, 6), QPointF(14, 8), QPointF(0, 0));
        p.drawPath(blade);
        p.restore();
    }
    p.setBrush(QColor(0x3c, 0x46, 0x50));
    p.drawEllipse(centre, 9, 9);
    // Air drawn as waves travelling towards the screen.
    p.setBrush(Qt::NoBrush);
    for (int line = 0; line < 4; ++line) {
        const double y = 104 + line * 44;
        QPainterPath wave;
        const double phase = t * 9 + line;
        for (int i = 0; i <= 40; ++i) {
            const double x = 410 - i * 2.2;
            const QPointF point(x, y + std::sin(phase + i * 0.35) * 4);
            if (i == 0) {
                wave.moveTo(point);
            } else {
                wave.lineTo(point);
            }
        }
        const double pulse = 0.5 + 0.5 * std::sin(t * 6 - line * 1.3);
        p.setPen(QPen(QColor(0x6c, 0xa0, 0xcf, int(90 + 120 * pulse)), 2.5, Qt::SolidLine,
                      Qt::RoundCap));
        p.drawPath(wave);
    }
    p.restore();
}

void paintDoneBadge(QPainter& p, double scale) {
    if (scale <= 0) {
        return;
    }
    p.save();
    p.translate(standingFrame.topRight() + QPointF(-6, 8));
    p.scale(scale, scale);
    p.setPen(QPen(Qt::white, 4));
    p.setBrush(QColor(0x2e, 0xa0, 0x4f));
    p.drawEllipse(QPointF(0, 0), 28, 28);
    p.setPen(QPen(Qt::white, 7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath tick;
    tick.moveTo(-12, 1);
    tick.lineTo(-3, 10);
    tick.lineTo(13, -9);
    p.drawPath(tick);
    p.restore();
}

// Three dots along the bottom: which step is playing.
void paintSteps(QPainter& p, int current) {
    for (int i = 0; i < 3; ++i) {
        const QPointF centre(296 + i * 24, 334);
        if (i == current) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0x2f, 0x6f, 0xb0));
            p.drawEllipse(centre, 6.5, 6.5);
        } else if (i < current) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0x8d, 0xaf, 0xd2));
            p.drawEllipse(centre, 5, 5);
        } else {
            p.setPen(QPen(QColor(0x8d, 0x99, 0xa5), 1.5));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(centre, 5, 5);
        }
    }
}

} // namespace

CompletionMovieFrames::CompletionMovieFrames() {
    // A fixed seed: the same drops in every run.
    std::minstd_rand random(20240611);
    const auto uniform = [&random](double from, double to) {
        return from + (to - from) *
                          (double(random() - random.min()) / double(random.max() - random.min()));
    };
    for (int i = 0; i < 46; ++i) {
        Drop drop;
        drop.position = QPointF(uniform(0.06, 0.94), uniform(0.04, 0.96));
        drop.size = uniform(2.2, 4.6);
        drop.driesAt = uniform(0.0, 0.85);
        m_drops.append(drop);
    }
}

void CompletionMovieFrames::paintScreen(QPainter& p, const QRectF& frame, double washedTo,
                                        double wetness) const {
    // Aluminium frame.
    QLinearGradient metal(frame.topLeft(), frame.bottomRight());
    metal.setColorAt(0, QColor(0xc6, 0xcd, 0xd4));
    metal.setColorAt(1, QColor(0x8c, 0x95, 0x9e));
    p.setPen(QPen(QColor(0x6f, 0x78, 0x81), 1.5));
    p.setBrush(metal);
    p.drawRoundedRect(frame, 4, 4);
    const QRectF mesh = frame.adjusted(frameBorder, frameBorder, -frameBorder, -frameBorder);

    const QColor emulsion(0x4a, 0x4e, 0x9c);
    const QColor wetEmulsion(0x3a, 0x3e, 0x86);
    const QColor unexposed(0x57, 0x5b, 0xaa);
    const QColor openMesh(0xf2, 0xed, 0xd6);
    const double washedY = mesh.top() + mesh.height() * clamp01(washedTo);
    const QRectF washed(mesh.left(), mesh.top(), mesh.width(), washedY - mesh.top());
    const QRectF unwashed(mesh.left(), washedY, mesh.width(), mesh.bottom() - washedY);
    const QPainterPath picture = motif(mesh);

    p.setPen(Qt::NoPen);
    // Not yet washed: the unexposed picture shows faintly in the emulsion.
    p.save();
    p.setClipRect(unwashed);
    p.fillRect(mesh, emulsion);
    p.setBrush(unexposed);
    p.drawPath(picture);
    p.restore();
    // Washed: the emulsion stays where light hardened it; the picture is
    // open mesh.
    if (washed.height() > 0) {
        p.save();
        p.setClipRect(washed);
        p.fillRect(mesh, mix(emulsion, wetEmulsion, wetness));
        p.setClipPath(picture, Qt::IntersectClip);
        p.fillRect(mesh, mix(openMesh, QColor(0xd9, 0xe4, 0xe6), wetness * 0.6));
        p.setPen(QPen(QColor(0xd2, 0xca, 0xad), 1));
        for (double x = mesh.left() + 1.5; x < mesh.right(); x += 3) {
            p.drawLine(QPointF(x, mesh.top()), QPointF(x, mesh.bottom()));
        }
        for (double y = mesh.top() + 1.5; y < mesh.bottom(); y += 3) {
            p.drawLine(QPointF(mesh.left(), y), QPointF(mesh.right(), y));
        }
        p.restore();

        // A wet shine and the drops.
        if (wetness > 0) {
            p.save();
            p.setClipRect(washed);
            QLinearGradient shine(mesh.topLeft(), mesh.bottomRight());
            shine.setColorAt(0.30, QColor(255, 255, 255, 0));
            shine.setColorAt(0.42, QColor(255, 255, 255, int(70 * wetness)));
            shine.setColorAt(0.54, QColor(255, 255, 255, 0));
            p.fillRect(mesh, shine);
            for (const Drop& drop : m_drops) {
                if (drop.position.y() > washedTo || wetness <= drop.driesAt) {
                    continue;
                }
                const double r = drop.size * std::min(1.0, (wetness - drop.driesAt) / 0.15);
                const QPointF centre(mesh.left() + mesh.width() * drop.position.x(),
                                     mesh.top() + mesh.height() * drop.position.y());
                p.setPen(QPen(QColor(0x3a, 0x62, 0x9a, 150), 0.8));
                p.setBrush(QColor(0xcf, 0xe8, 0xff, 200));
                p.drawEllipse(centre, r, r * 1.15);
                p.setPen(Qt::NoPen);
                p.setBrush(QColor(255, 255, 255, 230));
                p.drawEllipse(centre + QPointF(-r * 0.35, -r * 0.4), r * 0.3, r * 0.3);
            }
            p.restore();
        }
    }
    // The frame's inner edge.
    p.setPen(QPen(QColor(0x6f, 0x78, 0x81), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(mesh);
}

QImage CompletionMovieFrames::frame(int index) const {
    QImage image(width, height, QImage::Format_RGB888);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    paintBackground(p);
    const double t = double(std::clamp(index, 0, frameCount - 1)) / framesPerSecond;

    if (t < takeOutEnd) {
        // The screen slides out of the device, which then moves away.
        const double slide = ease(t, 0.4, 1.7);
        QRectF frame = standingFrame;
        frame.moveLeft(standingFrame.left() + (420 - standingFrame.left()) * (1 - slide));
        paintScreen(p, frame, 0, 0);
        paintDevice(p, ease(t, 1.55, 2.0) * 260, t);
        paintSteps(p, 0);
    } else if (t < washEnd) {
        // The spray runs down the screen and opens the unexposed areas.
        paintWashBooth(p, ease(t, 2.0, 2.3));
        const QRectF mesh =
            standingFrame.adjusted(frameBorder, frameBorder, -frameBorder, -frameBorder);
        const double sweep = ease(t, 2.45, 4.15);
        const double y = mesh.top() - 14 + (mesh.height() + 28) * sweep;
        const double washedTo = clamp01((y - mesh.top()) / mesh.height());
        paintScreen(p, standingFrame, washedTo, 1.0);
        const double gunIn = ease(t, 2.1, 2.4);
        const double gunOut = ease(t, 4.15, 4.4);
        p.save();
        p.translate(200 * (1 - gunIn) + 200 * gunOut, 0);
        paintSprayGun(p, y, t, t > 2.4 && t < 4.2, mesh);
        p.restore();
        paintSteps(p, 1);
    } else {
        // The fan dries it; the drops go one by one.
        paintWashBooth(p, 1 - ease(t, washEnd, washEnd + 0.3));
        paintDryingRack(p, ease(t, washEnd, washEnd + 0.3));
        const double wetness = 1 - ease(t, 4.8, 6.1);
        paintScreen(p, standingFrame, 1.0, wetness);
        paintFan(p, ease(t, washEnd + 0.1, washEnd + 0.4), t);
        const double pop = clamp01((t - 6.1) / 0.3);
        paintDoneBadge(p, pop <= 0 ? 0 : 1 + 0.25 * std::sin(pop * std::numbers::pi));
        paintSteps(p, 2);
    }
    p.end();
    return image;
}

} // namespace lunvik
