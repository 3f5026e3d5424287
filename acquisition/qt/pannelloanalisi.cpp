// The analysis panel; see pannelloanalisi.h. The numbers come from the
// analisi library; this file only reads the curve and draws the results.

#include "acquisition/qt/pannelloanalisi.h"

#include <QChart>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLocale>
#include <QPen>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "analysis/adattamento.h"
#include "analysis/statistiche.h"
#include "analysis/tangente.h"
#include "analysis/testo.h"

namespace lumetto::acquisition {

namespace {

constexpr int kCampioni = 200;  // points of a fitted curve as drawn

// The boxes' order: none, then the models.
constexpr analisi::Modello kModelli[] = {analisi::Modello::Lineare, analisi::Modello::Proporzionale,
                                         analisi::Modello::Quadratico,
                                         analisi::Modello::Esponenziale};

}  // namespace

PannelloAnalisi::PannelloAnalisi(QChart* chart, QWidget* parent) : QWidget(parent), chart_(chart) {
    setObjectName(QStringLiteral("PannelloAnalisi"));
    curva_ = new QComboBox(this);
    curva_->setObjectName(QStringLiteral("ComboCurva"));
    curva_->setAccessibleName(QStringLiteral("curva da analizzare"));
    da_ = new QDoubleSpinBox(this);
    a_ = new QDoubleSpinBox(this);
    for (QDoubleSpinBox* s : {da_, a_}) {
        s->setRange(-1e12, 1e12);
        s->setDecimals(3);
        s->setKeyboardTracking(false);
        // The decimal comma, as the results below and the user's keyboard.
        s->setLocale(QLocale(QLocale::Italian, QLocale::Italy));
    }
    da_->setObjectName(QStringLiteral("SpinDa"));
    a_->setObjectName(QStringLiteral("SpinA"));
    modello_ = new QComboBox(this);
    modello_->setObjectName(QStringLiteral("ComboModello"));
    modello_->setAccessibleName(QStringLiteral("adattamento"));
    modello_->addItem(QStringLiteral("nessuno"));
    modello_->addItem(QStringLiteral("lineare: y = m·x + q"));
    modello_->addItem(QStringLiteral("proporzionale: y = m·x"));
    modello_->addItem(QStringLiteral("quadratico: y = a·x² + b·x + c"));
    modello_->addItem(QStringLiteral("esponenziale: y = C + A·e^(−(x−x₀)/τ)"));
    testo_ = new QPlainTextEdit(this);
    testo_->setObjectName(QStringLiteral("TestoAnalisi"));
    testo_->setAccessibleName(QStringLiteral("risultati dell'analisi"));
    testo_->setReadOnly(true);

    auto* modulo = new QFormLayout;
    // Keys of their own: the plot's row already takes a, x, Y, c, u, D, P, r, t, i.
    modulo->addRow(QStringLiteral("cur&va:"), curva_);
    modulo->addRow(QStringLiteral("i&nizio x ="), da_);
    modulo->addRow(QStringLiteral("&fine x ="), a_);
    modulo->addRow(QStringLiteral("adatta&mento:"), modello_);
    auto* aiuto = new QLabel(QStringLiteral("Maiusc e trascinare: un tratto della curva; "
                                            "Ctrl e clic: la tangente in quel punto"),
                             this);
    aiuto->setWordWrap(true);
    auto* tutto = new QVBoxLayout(this);
    tutto->setContentsMargins(0, 0, 0, 0);
    tutto->addLayout(modulo);
    tutto->addWidget(aiuto);
    tutto->addWidget(testo_, 1);

    connect(curva_, &QComboBox::currentIndexChanged, this, [this] { calcola(); });
    connect(modello_, &QComboBox::currentIndexChanged, this, [this] { calcola(); });
    for (QDoubleSpinBox* s : {da_, a_})
        connect(s, &QDoubleSpinBox::valueChanged, this, [this] {
            selezionata_ = true;
            calcola();
        });
    calcola();
}

void PannelloAnalisi::impostacurve(std::vector<CurvaAnalizzabile> curve, QValueAxis* x,
                                   QValueAxis* y) {
    // The plot removed every series, ours with them.
    adattata_ = tangente_ = bordi_ = nullptr;
    curve_ = std::move(curve);
    x_ = x;
    y_ = y;
    const QString prima = curva_->currentText();
    const QSignalBlocker muto(curva_);
    curva_->clear();
    for (const auto& c : curve_)
        curva_->addItem(c.nome);
    const int i = curva_->findText(prima);
    curva_->setCurrentIndex(i >= 0 ? i : 0);
}

void PannelloAnalisi::selezione(double da, double a) {
    const QSignalBlocker m1(da_), m2(a_);
    da_->setValue(std::min(da, a));
    a_->setValue(std::max(da, a));
    selezionata_ = true;
    calcola();
}

void PannelloAnalisi::tangentein(double x) {
    conTangente_ = true;
    xTangente_ = x;
    calcola();
}

void PannelloAnalisi::togli(QLineSeries*& s) {
    if (!s) return;
    chart_->removeSeries(s);
    delete s;
    s = nullptr;
}

QLineSeries* PannelloAnalisi::linea(const QString& nome, const QPen& penna) {
    auto* s = new QLineSeries;
    s->setName(nome);
    chart_->addSeries(s);
    s->setPen(penna);
    if (x_) s->attachAxis(x_);
    if (y_) s->attachAxis(y_);
    return s;
}

void PannelloAnalisi::calcola() {
    togli(adattata_);
    togli(tangente_);
    togli(bordi_);
    righe_.clear();
    const int k = curva_->currentIndex();
    if (k < 0 || k >= static_cast<int>(curve_.size()) || !curve_[static_cast<size_t>(k)].serie) {
        testo_->setPlainText(QStringLiteral("Nessuna curva da analizzare."));
        return;
    }
    const CurvaAnalizzabile& scelta = curve_[static_cast<size_t>(k)];
    const QList<QPointF> punti = scelta.tutti ? *scelta.tutti : scelta.serie->points();
    const std::string unita = scelta.unitax.toStdString();
    const std::string unitay = scelta.unitay.toStdString();
    std::vector<double> tx, ty;  // the whole curve, for the tangent
    for (const QPointF& p : punti) {
        tx.push_back(p.x());
        ty.push_back(p.y());
    }
    if (selezionata_) {
        const double da = da_->value(), a = a_->value();
        std::vector<double> x, y;
        for (const QPointF& p : punti)
            if (p.x() >= da && p.x() <= a) {
                x.push_back(p.x());
                y.push_back(p.y());
            }
        righe_ << curva_->currentText() + QStringLiteral(", da x = ") +
                      QString::fromStdString(analisi::testonumero(da)) + QStringLiteral(" a x = ") +
                      QString::fromStdString(analisi::testonumero(a));
        for (const std::string& r : analisi::righe(analisi::statistiche(x, y), unita, unitay))
            righe_ << QString::fromStdString(r);
        const int m = modello_->currentIndex();
        if (m >= 1) {
            const analisi::Adattamento f = analisi::adatta(kModelli[m - 1], x, y);
            righe_ << QString();
            for (const std::string& r : analisi::righe(f, unita, unitay))
                righe_ << QString::fromStdString(r);
            if (f.riuscito && !x.empty()) {
                const auto [lo, hi] = std::minmax_element(x.begin(), x.end());
                QList<QPointF> curva;
                for (int i = 0; i <= kCampioni; ++i) {
                    const double xi = *lo + (*hi - *lo) * i / kCampioni;
                    const double yi = f.valore(xi);
                    if (std::isfinite(yi)) curva.append({xi, yi});
                }
                QPen penna(Qt::black, 2.5);
                penna.setStyle(Qt::DashLine);
                adattata_ = linea(QStringLiteral("adattamento ") +
                                      QString::fromStdString(std::string(analisi::nome(f.modello))),
                                  penna);
                adattata_->replace(curva);
            }
        }
        if (y_) {
            QPen penna(QColor(120, 120, 120), 1);
            bordi_ = linea(QStringLiteral("tratto"), penna);
            // Down one end, along the bottom, up the other: one series, no legend.
            bordi_->replace({{da, y_->max()}, {da, y_->min()}, {a, y_->min()}, {a, y_->max()}});
            for (QLegendMarker* mk : chart_->legend()->markers(bordi_))
                mk->setVisible(false);
        }
    }
    if (conTangente_) {
        const analisi::Tangente t = analisi::tangente(tx, ty, xTangente_);
        if (!righe_.isEmpty()) righe_ << QString();
        for (const std::string& r : analisi::righe(t, unita, unitay))
            righe_ << QString::fromStdString(r);
        if (t.riuscita && x_) {
            const double mezzo = (x_->max() - x_->min()) / 8;
            QPen penna(QColor(0x88, 0x22, 0x55), 2);
            tangente_ = linea(QStringLiteral("tangente"), penna);
            tangente_->replace(
                {{t.x - mezzo, t.valore(t.x - mezzo)}, {t.x + mezzo, t.valore(t.x + mezzo)}});
        }
    }
    if (righe_.isEmpty()) righe_ << QStringLiteral("Nessun tratto scelto.");
    testo_->setPlainText(righe_.join(QLatin1Char('\n')));
}

}  // namespace lumetto::acquisition
