// The plot's printout as PNG and PDF; see stampagrafico.h.
#include "acquisition/qt/stampagrafico.h"

#include <QBuffer>
#include <QByteArray>
#include <QChart>
#include <QFont>
#include <QGraphicsScene>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>

#include "acquisition/grafico.h"
#include "platform/dialoghi.h"
#include "platform/salvataggio.h"

namespace lumetto::acquisition {

namespace {

// The bytes of a picture or a page saved all or nothing, like every file
// the program writes; false, after the error box, when they cannot be.
bool salvafile(const std::string& file, const QByteArray& dati) {
    try {
        platform::salvasicuro(file,
                              std::string_view(dati.constData(), static_cast<size_t>(dati.size())));
        return true;
    } catch (const platform::ErroreSalvataggio& e) {
        platform::dialoghi().errore("Impossibile salvare il grafico in " + file + ": " + e.what());
        return false;
    }
}

// The report's lines under the chart, in two columns when they are many.
void scrivirapporto(QPainter& p, const QRectF& dove, const QStringList& righe, qreal altezzariga) {
    const int perColonna = std::max(1, static_cast<int>(dove.height() / altezzariga));
    const qreal larghezza = righe.size() > perColonna ? dove.width() / 2 : dove.width();
    for (int i = 0; i < static_cast<int>(righe.size()); ++i) {
        const qreal x = dove.left() + (i / perColonna) * larghezza;
        const qreal y = dove.top() + (i % perColonna) * altezzariga;
        p.drawText(QRectF(x, y, larghezza, altezzariga), Qt::AlignLeft | Qt::AlignVCenter,
                   righe[i]);
    }
}

}  // namespace

QStringList righecorsa(const archivio::Corsa& k) {
    QStringList righe;
    QString r = QString::fromStdString(datacorsa(k)) + QStringLiteral(", ") +
                QString::fromStdString(k.esperimento) + QStringLiteral(", banco ") +
                QString::fromStdString(k.banco);
    if (!k.titolo.empty()) r += QStringLiteral(": ") + QString::fromStdString(k.titolo);
    righe << r;
    if (!k.nota.empty()) righe << QStringLiteral("    ") + QString::fromStdString(k.nota);
    return righe;
}

bool stampapng(QChart& chart, const QFont& carattere, const QStringList& righe,
               const std::string& file, int larghezza, int altezza) {
    const int altezzariga = 24;
    // A column of the report under the chart, and a second one past 20 lines.
    const int n = static_cast<int>(righe.size());
    const int sotto = n == 0 ? 0 : 20 + altezzariga * (n > 20 ? (n + 1) / 2 : n);
    QImage immagine(larghezza, altezza + sotto, QImage::Format_ARGB32_Premultiplied);
    immagine.fill(Qt::white);
    {
        QPainter p(&immagine);
        p.setRenderHint(QPainter::Antialiasing);
        chart.scene()->render(&p, QRectF(0, 0, larghezza, altezza), chart.sceneBoundingRect());
        if (sotto > 0) {
            QFont f = carattere;
            f.setPixelSize(16);
            p.setFont(f);
            p.setPen(Qt::black);
            scrivirapporto(p, QRectF(40, altezza + 10, larghezza - 80, sotto - 20), righe,
                           altezzariga);
        }
    }
    QByteArray dati;
    QBuffer buffer(&dati);
    buffer.open(QIODevice::WriteOnly);
    if (!immagine.save(&buffer, "PNG")) {
        platform::dialoghi().errore("Impossibile salvare il grafico in " + file);
        return false;
    }
    return salvafile(file, dati);
}

bool stampapdf(QChart& chart, const QFont& carattere, const QStringList& righe,
               const std::string& file) {
    QByteArray dati;
    {
        QBuffer buffer(&dati);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter pdf(&buffer);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageOrientation(QPageLayout::Landscape);
        pdf.setResolution(300);
        pdf.setTitle(chart.title());
        pdf.setCreator(QStringLiteral("Lumetto"));
        QPainter p;
        if (!p.begin(&pdf)) {
            platform::dialoghi().errore("Impossibile salvare il grafico in " + file);
            return false;
        }
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF pagina = pdf.pageLayout().paintRectPixels(pdf.resolution());
        const QRectF sorgente = chart.sceneBoundingRect();
        // The report under the chart: 9-point lines, in two columns past 14.
        const qreal altezzariga = 9.0 / 72 * 300 * 1.35;
        const qsizetype perColonna = righe.size() > 14 ? (righe.size() + 1) / 2 : righe.size();
        const qreal sotto = righe.isEmpty() ? 0 : altezzariga * static_cast<qreal>(perColonna + 1);
        // The chart's proportions kept, as wide as the page allows.
        const QRectF dove(QPointF(0, 0),
                          sorgente.size().scaled(QSizeF(pagina.width(), pagina.height() - sotto),
                                                 Qt::KeepAspectRatio));
        chart.scene()->render(&p, dove, sorgente);
        if (!righe.isEmpty()) {
            QFont f = carattere;
            f.setPointSizeF(9);
            p.setFont(f);
            p.setPen(Qt::black);
            scrivirapporto(p, QRectF(0, dove.bottom() + altezzariga / 2, pagina.width(), sotto),
                           righe, altezzariga);
        }
        p.end();
    }
    return salvafile(file, dati);
}

}  // namespace lumetto::acquisition
