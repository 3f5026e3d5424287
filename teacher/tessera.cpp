// A bench's tile; see tessera.h.

#include "teacher/tessera.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <vector>

#include "acquisition/grafico.h"

namespace lumetto::classe {

namespace {

// The plot's first two curve colours, so a tile reads like the plot.
const QColor kCurve[] = {QColor(0x00, 0x72, 0xB2), QColor(0xD5, 0x5E, 0x00)};

struct Aspetto {
    QString testo;
    QColor colore;
};

Aspetto aspetto(const Banco* b) {
    if (!b || !b->stato) return {QStringLiteral("stato ignoto"), QColor(0x77, 0x77, 0x77)};
    switch (b->stato->stato) {
        case Stato::InCorsa:
            return {QStringLiteral("in corsa"), QColor(0x1B, 0x7F, 0x3B)};
        case Stato::Fermo:
            return {QStringLiteral("fermo"), QColor(0x9A, 0x5B, 0x00)};
        case Stato::Offline:
            break;
    }
    return {QStringLiteral("offline"), QColor(0xB0, 0x20, 0x20)};
}

// The value columns of a run: with the names and units of its facts once
// they came, else named by their number.
std::vector<acquisition::ColonnaGrafico> colonne(const CorsaRicevuta& c) {
    if (c.fatti) return acquisition::colonnegrafico(*c.fatti);
    std::vector<acquisition::ColonnaGrafico> v;
    if (c.letture.empty()) return v;
    const archivio::Lettura& l = c.letture.rbegin()->second;
    for (int i = 1; i <= archivio::kColonne; ++i)
        if (std::isfinite(l.valori[static_cast<size_t>(i - 1)]))
            v.push_back({i, "c" + std::to_string(i), '1'});
    return v;
}

QString numero(double v) {
    return std::isfinite(v) ? QString::number(v, 'g', 6) : QStringLiteral("-");
}

// The run's last value of each column under its name and unit ("temp [°C] 21.5").
struct Valore {
    acquisition::ColonnaGrafico colonna;
    QString testo;
};
std::vector<Valore> valori(const CorsaRicevuta* c) {
    std::vector<Valore> v;
    if (!c) return v;
    const archivio::Lettura* ultima = c->letture.empty() ? nullptr : &c->letture.rbegin()->second;
    for (auto& k : colonne(*c)) {
        const double x = ultima ? ultima->valori[static_cast<size_t>(k.indice - 1)] : NAN;
        QString t =
            QString::fromStdString(acquisition::titolocolonna(k)) + QStringLiteral(" ") + numero(x);
        v.push_back({std::move(k), std::move(t)});
    }
    return v;
}

}  // namespace

Tessera::Tessera(const Aula& aula, std::string banco, QWidget* parent)
    : QWidget(parent), aula_(aula), banco_(std::move(banco)) {
    setObjectName(QStringLiteral("Tessera_") + QString::fromStdString(banco_));
    setAccessibleName(QString::fromStdString(banco_));
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(kLarghezza, kAltezza);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setToolTip(QStringLiteral("doppio clic o Invio: la corsa nel grafico"));
}

QString Tessera::testostato() const {
    return aspetto(aula_.banco(banco_)).testo;
}

QString Tessera::testoletture() const {
    const Banco* b = aula_.banco(banco_);
    const CorsaRicevuta* c = b ? b->mostrata() : nullptr;
    const std::size_t n = c ? c->letture.size() : 0;
    QString t = n == 1 ? QStringLiteral("1 lettura") : QStringLiteral("%1 letture").arg(n);
    // Numbers below the last one that have not come (a window opened after
    // the run began, or readings still on their way): the teacher must know
    // the run held here is not whole.
    const std::size_t ultima = n > 0 ? static_cast<std::size_t>(c->letture.rbegin()->first) : 0;
    if (ultima > n) t += QStringLiteral(" (%1 mancanti)").arg(ultima - n);
    return t;
}

QString Tessera::testovalori() const {
    const Banco* b = aula_.banco(banco_);
    QStringList t;
    for (const Valore& v : valori(b ? b->mostrata() : nullptr))
        t << v.testo;
    return t.join(QStringLiteral("  "));
}

void Tessera::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const Banco* b = aula_.banco(banco_);
    const CorsaRicevuta* c = b ? b->mostrata() : nullptr;
    const Aspetto a = aspetto(b);
    const QRectF bordo = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    p.fillRect(rect(), palette().window());
    p.setPen(QPen(hasFocus() ? palette().highlight().color() : a.colore, hasFocus() ? 3 : 1.5));
    p.setBrush(palette().base());
    p.drawRoundedRect(bordo, 6, 6);

    const int m = 10;
    const int w = width() - 2 * m;
    QFont f = font();
    const QFontMetrics fm(f);
    const int riga = fm.height();
    int y = m;

    // The bench's name, and its state as a coloured label on the right.
    QFont grassetto = f;
    grassetto.setBold(true);
    grassetto.setPointSizeF(f.pointSizeF() * 1.2);
    const QFontMetrics gm(grassetto);
    const int larghezzastato = fm.horizontalAdvance(a.testo) + 14;
    const QRect etichetta(width() - m - larghezzastato, y, larghezzastato, gm.height());
    p.setPen(Qt::NoPen);
    p.setBrush(a.colore);
    p.drawRoundedRect(etichetta, 4, 4);
    p.setPen(Qt::white);
    p.setFont(f);
    p.drawText(etichetta, Qt::AlignCenter, a.testo);
    p.setFont(grassetto);
    p.setPen(palette().text().color());
    p.drawText(
        QRect(m, y, w - larghezzastato - 6, gm.height()), Qt::AlignLeft | Qt::AlignVCenter,
        gm.elidedText(QString::fromStdString(banco_), Qt::ElideRight, w - larghezzastato - 6));
    y += gm.height() + 2;

    // Experiment and reading count; the board's sketch and version.
    p.setFont(f);
    std::string esperimento = b && b->stato ? b->stato->esperimento : std::string();
    if (c && c->fatti) esperimento = c->fatti->esperimento;  // the run's own, shown beside it
    const QString letture = testoletture();
    const int ll = fm.horizontalAdvance(letture);
    p.drawText(QRect(m + w - ll, y, ll, riga), Qt::AlignRight, letture);
    p.drawText(QRect(m, y, w - ll - 8, riga), Qt::AlignLeft,
               fm.elidedText(esperimento.empty() ? QStringLiteral("nessun esperimento")
                                                 : QString::fromStdString(esperimento),
                             Qt::ElideRight, w - ll - 8));
    y += riga;
    QString scheda;
    if (b && b->stato && !b->stato->sketch.empty())
        scheda = QStringLiteral("scheda: ") + QString::fromStdString(b->stato->sketch) +
                 (b->stato->versione.empty()
                      ? QString()
                      : QStringLiteral(" ") + QString::fromStdString(b->stato->versione));
    else
        scheda = QStringLiteral("scheda: non nota");
    p.setPen(palette().placeholderText().color());
    p.drawText(QRect(m, y, w, riga), Qt::AlignLeft, fm.elidedText(scheda, Qt::ElideRight, w));
    y += riga + 2;

    // The last values with their columns' names and units; the first two
    // coloured as their curves.
    const std::vector<Valore> ultimi = valori(c);
    int x = m;
    std::vector<const acquisition::ColonnaGrafico*> curve;
    for (const Valore& u : ultimi) {
        const acquisition::ColonnaGrafico& k = u.colonna;
        const QString& t = u.testo;
        const int tl = fm.horizontalAdvance(t);
        if (x + tl > m + w) break;
        QColor colore = palette().text().color();
        if (curve.size() < 2 && !k.stato()) {
            colore = kCurve[curve.size()];
            curve.push_back(&k);
        }
        p.setPen(colore);
        p.drawText(QRect(x, y, tl, riga), Qt::AlignLeft, t);
        x += tl + fm.horizontalAdvance(QStringLiteral("  "));
    }
    y += riga + 4;

    // The curve: each column over its own range, at most two points a pixel.
    const QRectF area(m, y, w, height() - m - y);
    p.setPen(QPen(palette().mid().color(), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(area);
    if (!c || c->letture.size() < 2) return;
    const int primo = c->letture.begin()->first, ultimo = c->letture.rbegin()->first;
    const std::size_t passo =
        std::max<std::size_t>(1, c->letture.size() / static_cast<std::size_t>(2 * w));
    for (std::size_t k = 0; k < curve.size(); ++k) {
        const std::size_t i = static_cast<size_t>(curve[k]->indice - 1);
        double lo = INFINITY, hi = -INFINITY;
        for (const auto& [n, l] : c->letture)
            if (std::isfinite(l.valori[i]))
                lo = std::min(lo, l.valori[i]), hi = std::max(hi, l.valori[i]);
        if (!(hi >= lo)) continue;
        if (hi == lo) lo -= 1, hi += 1;
        QPolygonF linea;
        std::size_t j = 0;
        for (const auto& [n, l] : c->letture) {
            if (j++ % passo != 0 && n != ultimo) continue;
            if (!std::isfinite(l.valori[i])) continue;
            const double px =
                area.left() + 2 + (area.width() - 4) * (n - primo) / std::max(1, ultimo - primo);
            const double py =
                area.bottom() - 2 - (area.height() - 4) * (l.valori[i] - lo) / (hi - lo);
            linea << QPointF(px, py);
        }
        p.setPen(QPen(kCurve[k], 1.5));
        p.drawPolyline(linea);
    }
}

void Tessera::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && apri) apri();
}

void Tessera::keyPressEvent(QKeyEvent* e) {
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && apri) {
        apri();
        return;
    }
    QWidget::keyPressEvent(e);
}

}  // namespace lumetto::classe
