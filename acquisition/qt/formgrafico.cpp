#include "acquisition/qt/formgrafico.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLocale>
#include <QPen>
#include <QPushButton>
#include <QRubberBand>
#include <QScatterSeries>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>

#include "acquisition/decima.h"
#include "acquisition/qt/formcorse.h"
#include "acquisition/qt/pannelloanalisi.h"
#include "acquisition/qt/stampagrafico.h"
#include "acquisition/qt/vistagrafico.h"
#include "link/letture.h"
#include "platform/dialoghi.h"
#include "platform/qt/finestre.h"
#include "platform/qt/guida.h"

namespace lumetto::acquisition {

namespace {

// The curves' colours: Okabe and Ito's eight, which readers with any common
// colour blindness tell apart (the yellow last: it is faint on white), then
// four of Paul Tol's muted ones drawn dashed, so that the ninth to twelfth
// curves differ by their line as well. Pure red and blue are left to the
// condition marks.
constexpr QRgb kColori[] = {0x0072B2, 0xD55E00, 0x009E73, 0xCC79A7, 0xE69F00, 0x56B4E9,
                            0x000000, 0xF0E442, 0x332288, 0x999933, 0x882255, 0x44AA99};
constexpr std::size_t kColoriPieni = 8;

QPen pennacurva(std::size_t i) {
    QPen p(QColor::fromRgb(kColori[i % std::size(kColori)]), 2);
    p.setStyle(i % std::size(kColori) < kColoriPieni ? Qt::SolidLine : Qt::DashLine);
    return p;
}

// A run laid over others keeps its columns' colours and takes a line style
// of its own: solid, dashed, dotted, dash-dot.
QPen pennacorsa(std::size_t colonna, std::size_t corsa) {
    QPen p = pennacurva(colonna);
    constexpr Qt::PenStyle kStili[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine};
    p.setStyle(kStili[corsa % std::size(kStili)]);
    return p;
}

QScatterSeries* segni(QChart* c, const QString& nome, QColor colore) {
    auto* s = new QScatterSeries;
    s->setName(nome);
    s->setColor(colore);
    s->setBorderColor(colore);
    s->setMarkerSize(9);
    c->addSeries(s);
    return s;
}

}  // namespace

TFormgrafico::TFormgrafico(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("Formgrafico"));
    setWindowTitle(QStringLiteral("grafico"));
    platform::installaguida(this, "grafico.html");
    setFont(platform::carattereFinestra());

    auto_ = new QCheckBox(QStringLiteral("scala &automatica"), this);
    auto_->setObjectName(QStringLiteral("CheckAutomatica"));
    auto_->setAccessibleName(QStringLiteral("scala automatica"));
    auto_->setChecked(true);
    auto* etichettaX = new QLabel(QStringLiteral("asse &x:"), this);
    asseX_ = new QComboBox(this);
    asseX_->setObjectName(QStringLiteral("ComboAsseX"));
    asseX_->setAccessibleName(QStringLiteral("asse x"));
    asseX_->addItems({QStringLiteral("numero della lettura"), QStringLiteral("secondi")});
    etichettaX->setBuddy(asseX_);
    vistaXY_ = new QCheckBox(QStringLiteral("vista X-&Y:"), this);
    vistaXY_->setObjectName(QStringLiteral("CheckXY"));
    vistaXY_->setAccessibleName(QStringLiteral("vista X-Y"));
    colonnaX_ = new QComboBox(this);
    colonnaX_->setObjectName(QStringLiteral("ComboColonnaX"));
    colonnaX_->setAccessibleName(QStringLiteral("colonna sull'asse x"));
    colonnaY_ = new QComboBox(this);
    auto* etichettaColonne = new QLabel(QStringLiteral("&colonne"), this);
    etichettaColonne->setBuddy(colonnaX_);
    colonnaY_->setObjectName(QStringLiteral("ComboColonnaY"));
    colonnaY_->setAccessibleName(QStringLiteral("colonna sull'asse y"));
    // Each box as wide as its longest entry, so that no name is cut.
    for (QComboBox* c : {asseX_, colonnaX_, colonnaY_})
        c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    png_ = platform::bottone(this, QStringLiteral("BitBtnPNG"), QStringLiteral("salva &PNG"));
    pdf_ = platform::bottone(this, QStringLiteral("BitBtnPDF"), QStringLiteral("salva P&DF"));
    chiudi_ = platform::bottone(this, QStringLiteral("BitBtnChiudi"), QStringLiteral("chi&udi"));
    corse_ = platform::bottone(this, QStringLiteral("BitBtnCorse"), QStringLiteral("co&rse..."));
    attuale_ =
        platform::bottone(this, QStringLiteral("BitBtnAttuale"), QStringLiteral("corsa a&ttuale"));
    attuale_->hide();
    analisi_ = platform::bottone(this, QStringLiteral("BitBtnAnalisi"), QStringLiteral("anal&isi"));
    analisi_->setCheckable(true);

    chart_ = new QChart;
    chart_->legend()->setAlignment(Qt::AlignBottom);
    // The axes write "22,5" as the analysis panel beside them does.
    chart_->setLocalizeNumbers(true);
    chart_->setLocale(QLocale(QLocale::Italian, QLocale::Italy));
    x_ = new QValueAxis;
    y_ = new QValueAxis;
    x_->setLabelFormat(QStringLiteral("%.4g"));
    y_->setLabelFormat(QStringLiteral("%.4g"));
    chart_->addAxis(x_, Qt::AlignBottom);
    chart_->addAxis(y_, Qt::AlignLeft);
    stati_ = new QCategoryAxis;
    stati_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    stati_->setRange(-0.25, 2.25);
    chart_->addAxis(stati_, Qt::AlignRight);
    stati_->hide();

    vista_ = new VistaGrafico(
        chart_,
        [this] {
            auto_->setChecked(false);
            ridecima();
        },
        [this] {
            auto_->setChecked(true);
            applicascala();
            ridecima();
        },
        this);
    vista_->setObjectName(QStringLiteral("Grafico"));
    vista_->setAccessibleName(QStringLiteral("grafico delle letture"));
    aiuto_ = new QLabel(
        QStringLiteral(
            "rotella o + e -: zoom; trascinare o frecce: spostare; Home: tutta la corsa; "
            "un clic sulla legenda, o i tasti da 1 a 9, mostra o nasconde una curva"),
        this);
    aiuto_->setObjectName(QStringLiteral("LabelAiuto"));
    aiuto_->setWordWrap(true);
    pannello_ = new PannelloAnalisi(chart_, this);
    pannello_->setMinimumWidth(300);
    pannello_->hide();
    vista_->selezione = [this](double da, double a) {
        analisi_->setChecked(true);
        pannello_->selezione(da, a);
    };
    vista_->tangente = [this](double x) {
        analisi_->setChecked(true);
        pannello_->tangentein(x);
    };

    auto* comandi = new QHBoxLayout;
    comandi->addWidget(auto_);
    comandi->addWidget(etichettaX);
    comandi->addWidget(asseX_);
    comandi->addWidget(vistaXY_);
    comandi->addWidget(etichettaColonne);
    comandi->addWidget(colonnaX_);
    comandi->addWidget(colonnaY_);
    comandi->addStretch();
    // The buttons below, beside the help: one row of everything would not
    // fit the window over the log pane of a 1280 x 720 screen.
    auto* sotto = new QHBoxLayout;
    sotto->addWidget(aiuto_, 1);
    sotto->addWidget(analisi_);
    sotto->addWidget(corse_);
    sotto->addWidget(attuale_);
    sotto->addWidget(png_);
    sotto->addWidget(pdf_);
    sotto->addWidget(chiudi_);
    auto* tutto = new QVBoxLayout(this);
    tutto->addLayout(comandi);
    auto* centro = new QHBoxLayout;
    centro->addWidget(vista_, 1);
    centro->addWidget(pannello_);
    tutto->addLayout(centro, 1);
    tutto->addLayout(sotto);

    connect(auto_, &QCheckBox::toggled, this, [this](bool on) {
        if (on) applicascala();
    });
    connect(asseX_, &QComboBox::currentIndexChanged, this, [this] { ricostruisci(); });
    connect(vistaXY_, &QCheckBox::toggled, this, [this] { ricostruisci(); });
    connect(colonnaX_, &QComboBox::currentIndexChanged, this, [this] {
        if (xy()) ricostruisci();
    });
    connect(colonnaY_, &QComboBox::currentIndexChanged, this, [this] {
        if (xy()) ricostruisci();
    });
    connect(png_, &QPushButton::clicked, this, [this] { salva(false); });
    connect(pdf_, &QPushButton::clicked, this, [this] { salva(true); });
    connect(chiudi_, &QPushButton::clicked, this, &QWidget::close);
    connect(corse_, &QPushButton::clicked, this, [this] { apricorse(); });
    connect(analisi_, &QPushButton::toggled, this, [this](bool on) {
        pannello_->setVisible(on);
        if (on) pannello_->calcola();
    });
    connect(attuale_, &QPushButton::clicked, this, [this] { mostracorse({}); });

    resize(900, 600);
    aggiungiascoltatore(this);
    nuovacorsa();
}

TFormgrafico::~TFormgrafico() {
    togliascoltatore(this);
}

QChartView* TFormgrafico::vistagrafico() const {
    return vista_;
}

bool TFormgrafico::xy() const {
    return vistaXY_->isChecked() && colonnaX_->currentIndex() >= 0 &&
           colonnaY_->currentIndex() >= 0;
}

std::vector<const FonteGrafico*> TFormgrafico::fonti() const {
    if (archiviate_.empty()) return {&corrente_};
    std::vector<const FonteGrafico*> f;
    for (const auto& c : archiviate_)
        f.push_back(c.get());
    return f;
}

void TFormgrafico::mostracorse(std::vector<std::unique_ptr<CorsaArchiviata>> corse) {
    archiviate_ = std::move(corse);
    attuale_->setVisible(!archiviate_.empty());
    auto_->setChecked(true);
    colonneNuove_ = true;
    if (isVisible()) ricostruisci();
}

void TFormgrafico::nuovacorsa() {
    inizio_ = QDateTime::currentDateTime();
    // The run just started is what the user wants to see.
    archiviate_.clear();
    attuale_->hide();
    auto_->setChecked(true);
    // Hidden, it only remembers: the columns are read when it is shown.
    colonneNuove_ = true;
    if (isVisible()) ricostruisci();
}

std::string TFormgrafico::titoloy() const {
    // One column of values names the axis; several sharing a unit give it.
    // Those shown count: hiding the light leaves the axis "temp [°C]".
    std::vector<const ColonnaGrafico*> valori, mostrati;
    for (const Curva& c : curve_) {
        if (c.colonna.stato() || c.fonte != curve_.front().fonte) continue;
        valori.push_back(&c.colonna);
        if (c.serie->isVisible()) mostrati.push_back(&c.colonna);
    }
    if (!mostrati.empty()) valori = std::move(mostrati);
    if (valori.size() == 1) return titolocolonna(*valori.front());
    std::string unita;
    for (const ColonnaGrafico* c : valori) {
        if (c->unita.empty() || (!unita.empty() && c->unita != unita)) return "valore";
        unita = c->unita;
    }
    return unita.empty() ? "valore" : "valore [" + unita + "]";
}

QString TFormgrafico::unitadi(const QComboBox* scelta) const {
    const int indice = scelta->currentData().toInt();
    for (const auto& k : fonti().front()->colonne())
        if (k.indice == indice) return QString::fromStdString(k.unita);
    return {};
}

void TFormgrafico::sceltecolonne() {
    colonneNuove_ = false;
    const auto colonne = fonti().front()->colonne();
    // The column choices of the X-Y view follow the run's columns.
    for (QComboBox* c : {colonnaX_, colonnaY_}) {
        const QSignalBlocker muto(c);
        c->clear();
        for (const auto& k : colonne)
            c->addItem(QString::fromStdString(titolocolonna(k)), k.indice);
    }
    if (colonne.size() > 1) {
        const QSignalBlocker muto(colonnaY_);
        colonnaY_->setCurrentIndex(1);
    }
    // The boxes grow with names and units now, not at the next pass of the
    // event loop, so that the window never shows them cut.
    if (layout()) layout()->activate();
}

void TFormgrafico::impostacolonne() {
    chart_->removeAllSeries();
    curve_.clear();
    curveXY_.clear();
    const auto sorgenti = fonti();
    const bool confronto = sorgenti.size() > 1;
    // Compared runs name their curves with their dates: a column of entries
    // beside the plot keeps each name whole, where a row would cut them all.
    chart_->legend()->setAlignment(confronto ? Qt::AlignRight : Qt::AlignBottom);
    // Laid over each other, each run's curves say which run they are.
    auto nomecurva = [&](const FonteGrafico* f, const QString& nome) {
        if (!confronto) return nome;
        const auto* a = static_cast<const CorsaArchiviata*>(f);
        return nome + QStringLiteral(" (") + QString::fromStdString(datacorsa(a->corsa())) +
               QLatin1Char(')');
    };
    bool stati = false;
    if (xy()) {
        for (std::size_t k = 0; k < sorgenti.size(); ++k) {
            // Member by member: GCC 12 at -O3 takes "{{}, ...}" for an
            // uninitialised name (a false -Wmaybe-uninitialized).
            Curva c;
            c.fonte = sorgenti[k];
            c.serie = new QLineSeries;
            c.serie->setName(nomecurva(
                sorgenti[k],
                colonnaY_->currentText() + QStringLiteral(" / ") + colonnaX_->currentText()));
            chart_->addSeries(c.serie);
            c.serie->setPen(pennacorsa(0, k));
            c.serie->attachAxis(x_);
            c.serie->attachAxis(y_);
            curveXY_.push_back(c);
        }
        x_->setTitleText(colonnaX_->currentText());
        y_->setTitleText(colonnaY_->currentText());
    } else {
        for (std::size_t k = 0; k < sorgenti.size(); ++k) {
            std::size_t i = 0;
            for (const auto& col : sorgenti[k]->colonne()) {
                Curva c{col, sorgenti[k], new QLineSeries};
                c.serie->setName(
                    nomecurva(sorgenti[k], QString::fromStdString(titolocolonna(col))));
                chart_->addSeries(c.serie);
                c.serie->setPen(confronto ? pennacorsa(i, k) : pennacurva(i));
                c.serie->attachAxis(x_);
                c.serie->attachAxis(col.stato() ? static_cast<QAbstractAxis*>(stati_) : y_);
                stati = stati || col.stato();
                curve_.push_back(c);
                ++i;
            }
        }
        x_->setTitleText(asseX_->currentIndex() == 1 ? QStringLiteral("tempo [s]")
                                                     : QStringLiteral("lettura"));
        y_->setTitleText(QString::fromStdString(titoloy()));
    }
    rossi_ = segni(chart_, QStringLiteral("condizione (rosso)"), Qt::red);
    blu_ = segni(chart_, QStringLiteral("condizione (blu)"), Qt::blue);
    rossiStati_ = segni(chart_, QStringLiteral("condizione (rosso)"), Qt::red);
    bluStati_ = segni(chart_, QStringLiteral("condizione (blu)"), Qt::blue);
    for (QScatterSeries* s : {rossi_, blu_}) {
        s->attachAxis(x_);
        s->attachAxis(y_);
    }
    for (QScatterSeries* s : {rossiStati_, bluStati_}) {
        s->attachAxis(x_);
        s->attachAxis(stati_);
    }
    // One entry a colour in the legend.
    for (QScatterSeries* s : {rossiStati_, bluStati_})
        for (QLegendMarker* m : chart_->legend()->markers(s))
            m->setVisible(false);

    // The words of the state columns on their own axis.
    for (const QString& l : stati_->categoriesLabels())
        stati_->remove(l);
    if (stati) {
        std::array<std::string, 3> parole = {"", "", ""};
        for (const auto& c : curve_) {
            if (!c.colonna.stato()) continue;
            const auto p = parolestato(c.colonna.tipo);
            for (int i = 0; i < 3; ++i)
                if (parole[static_cast<size_t>(i)].find(p[static_cast<size_t>(i)]) ==
                    std::string::npos)
                    parole[static_cast<size_t>(i)] +=
                        (parole[static_cast<size_t>(i)].empty() ? "" : "/") +
                        p[static_cast<size_t>(i)];
        }
        for (int i = 0; i < 3; ++i)
            stati_->append(QString::fromStdString(parole[static_cast<size_t>(i)]), i);
        stati_->setRange(-0.25, 2.25);
    }
    stati_->setVisible(stati);

    // The curves of values (not states) are what the analysis reads.
    // Each with its units, so that a slope reads °C/s.
    std::vector<PannelloAnalisi::CurvaAnalizzabile> analizzabili;
    const QString secondi = asseX_->currentIndex() == 1 ? QStringLiteral("s") : QString();
    // A long run's series is decimated for the screen: the analysis gets
    // every point.
    for (const Curva& c : curve_)
        if (!c.colonna.stato())
            analizzabili.push_back({c.serie->name(), c.serie,
                                    QString::fromStdString(c.colonna.unita), secondi, &c.tutti});
    for (const Curva& c : curveXY_)
        analizzabili.push_back({c.serie->name(), c.serie, unitadi(colonnaY_), unitadi(colonnaX_)});
    pannello_->impostacurve(std::move(analizzabili), x_, y_);

    // A click on a legend entry shows or hides its curve.
    for (QLegendMarker* m : chart_->legend()->markers()) {
        QObject::connect(m, &QLegendMarker::clicked, this, [this, m] {
            QAbstractSeries* s = m->series();
            s->setVisible(!s->isVisible());
            m->setVisible(true);
            QColor c = m->labelBrush().color();
            c.setAlphaF(s->isVisible() ? 1.0f : 0.4f);
            m->setLabelBrush(c);
            // The scale follows what is shown: hiding the humidity shows
            // the temperature's tenths.
            riscala();
        });
    }
}

void TFormgrafico::riscala() {
    disegna();
    if (!xy()) y_->setTitleText(QString::fromStdString(titoloy()));
    estesa_ = false;
    minX_ = 0, maxX_ = 1, minY_ = 0, maxY_ = 1;
    for (const std::vector<Curva>* curve : {&curve_, &curveXY_})
        for (const Curva& c : *curve) {
            if (!c.serie->isVisible()) continue;
            for (const QPointF& p : c.serie->points())
                estendi(p.x(), p.y(), c.colonna.stato());
        }
    applicascala();
}

void TFormgrafico::estendi(double x, double y, bool distato) {
    if (!estesa_) {
        minX_ = maxX_ = x;
        if (!distato) minY_ = maxY_ = y;
        estesa_ = true;
    }
    minX_ = std::min(minX_, x);
    maxX_ = std::max(maxX_, x);
    if (!distato) {
        minY_ = std::min(minY_, y);
        maxY_ = std::max(maxY_, y);
    }
}

void TFormgrafico::metti(QXYSeries* serie, double x, double y) {
    attesa_[serie].append(QPointF(x, y));
}

void TFormgrafico::aggiungi(const FonteGrafico& f, int r) {
    const bool secondi = asseX_->currentIndex() == 1;
    for (const Curva& c : curveXY_) {
        if (c.fonte != &f) continue;
        const PuntoGrafico px = f.punto(r, colonnaX_->currentData().toInt());
        const PuntoGrafico py = f.punto(r, colonnaY_->currentData().toInt());
        if (!std::isfinite(px.valore) || !std::isfinite(py.valore)) continue;  // no point
        metti(c.serie, px.valore, py.valore);
        estendi(px.valore, py.valore, false);
        if (py.esito == 1) metti(rossi_, px.valore, py.valore);
        if (py.esito == 2) metti(blu_, px.valore, py.valore);
    }
    const double x = f.x(r, secondi);
    for (Curva& c : curve_) {
        if (c.fonte != &f) continue;
        const PuntoGrafico p = f.punto(r, c.colonna.indice);
        // A value the reading did not hold leaves a gap in nothing: skipped.
        if (!std::isfinite(p.valore)) continue;
        // A state holds until this reading, then steps.
        if (c.colonna.stato() && !c.vuota) metti(c.serie, x, c.ultimo);
        metti(c.serie, x, p.valore);
        c.ultimo = p.valore;
        c.vuota = false;
        if (c.serie->isVisible()) estendi(x, p.valore, c.colonna.stato());
        QScatterSeries* rosso = c.colonna.stato() ? rossiStati_ : rossi_;
        QScatterSeries* blu = c.colonna.stato() ? bluStati_ : blu_;
        if (p.esito == 1) metti(rosso, x, p.valore);
        if (p.esito == 2) metti(blu, x, p.valore);
    }
}

void TFormgrafico::disegna() {
    // Each series takes its new points in one change: Qt Charts lays a whole
    // series out again on every change, and append() of a list is one
    // change a point (1.3 s for a run of 1000 readings drawn again), so
    // more than one point goes in through replace(), which is one change.
    programmato_ = false;
    // A curve grown past what a screen shows is drawn from its points below.
    for (Curva& c : curve_) {
        const auto nuovi = attesa_.find(c.serie);
        if (nuovi == attesa_.end()) continue;
        c.tutti += nuovi->second;
        if (c.tutti.size() > kPuntiSchermo) {
            c.decimata = true;
            attesa_.erase(nuovi);
        }
    }
    for (auto& [serie, punti] : attesa_) {
        if (punti.size() == 1) {
            serie->append(punti.front());
        } else if (!punti.isEmpty()) {
            serie->replace(serie->points() + punti);
        }
    }
    attesa_.clear();
    // A colour's entry in the legend once a condition marked a reading: a
    // run without conditions leaves the legend to its curves.
    for (auto [valori, stati] : {std::pair{rossi_, rossiStati_}, std::pair{blu_, bluStati_}})
        for (QLegendMarker* m : chart_->legend()->markers(valori))
            m->setVisible(valori->count() + stati->count() > 0);
    applicascala();
    // A long run growing by 100 lines a second is drawn again a few times a
    // second, not at every line: each drawing reads all of it.
    const bool decimate =
        std::any_of(curve_.begin(), curve_.end(), [](const Curva& c) { return c.decimata; });
    // A long run's analysis reads every reading: worked out again at the
    // decimation's pace, not at every line of a stream of 100 a second.
    if (decimate && !ridecimata_.isValid()) {
        ridecima();
        if (!pannello_->isHidden()) pannello_->calcola();
    } else if (decimate && !ridecimaprevista_) {
        ridecimaprevista_ = true;
        QTimer::singleShot(std::max<qint64>(0, kRitmoMs - ridecimata_.elapsed()), this, [this] {
            ridecimaprevista_ = false;
            ridecima();
            if (!pannello_->isHidden()) pannello_->calcola();
        });
    }
    if (!decimate && !pannello_->isHidden()) pannello_->calcola();
}

void TFormgrafico::ridecima() {
    ridecimata_.start();
    const int colonne = std::max(1, static_cast<int>(chart_->plotArea().width()));
    for (Curva& c : curve_)
        if (c.decimata) c.serie->replace(decima(c.tutti, x_->min(), x_->max(), colonne));
}

void TFormgrafico::ricostruisci() {
    ridecimata_.invalidate();  // new series: what the screen shows, at once
    if (colonneNuove_) sceltecolonne();
    attesa_.clear();
    impostacolonne();
    estesa_ = false;
    minX_ = 0, maxX_ = 1, minY_ = 0, maxY_ = 1;
    for (const FonteGrafico* f : fonti()) {
        const int n = f->letture();
        for (int r = 1; r <= n; ++r)
            aggiungi(*f, r);
    }
    disegnate_ = corrente_.letture();
    aggiornatitolo();
    disegna();
}

void TFormgrafico::letturamemorizzata(int r) {
    // Hidden, it draws nothing: it is drawn again when shown.
    if (!isVisible() || !archiviate_.empty() || r < 1 || r > corrente_.letture()) return;
    if (r != disegnate_ + 1) {
        ricostruisci();
        return;
    }
    aggiungi(corrente_, r);
    disegnate_ = r;
    programmadisegno();
}

void TFormgrafico::aggiungilettura(const archivio::Lettura& l) {
    if (archiviate_.size() != 1) return;
    CorsaArchiviata& c = *archiviate_.front();
    // One that replaces or goes between others: everything drawn again.
    const bool infondo = c.metti(l);
    if (!isVisible()) return;
    if (!infondo) {
        ricostruisci();
        return;
    }
    aggiungi(c, c.letture());
    programmadisegno();
}

void TFormgrafico::programmadisegno() {
    // Drawn when the event loop comes back, before the repaint: the tick
    // itself only notes the reading.
    if (!programmato_) {
        programmato_ = true;
        QTimer::singleShot(0, this, [this] {
            if (programmato_) disegna();
        });
    }
}

void TFormgrafico::applicascala() {
    if (!auto_->isChecked()) return;
    if (chart_->isZoomed()) chart_->zoomReset();
    // Round steps, and the range changed only when the run leaves it: a
    // change of range lays every series out again.
    auto imposta = [](QValueAxis* asse, ScalaAsse s) {
        if (asse->min() == s.minimo && asse->max() == s.massimo) return;
        asse->setRange(s.minimo, s.massimo);
        asse->setTickCount(s.tacche);
    };
    imposta(x_, scalatonda(minX_, maxX_));
    imposta(y_, scalatonda(minY_, maxY_));
    stati_->setRange(-0.25, 2.25);
}

void TFormgrafico::aggiornatitolo() {
    const QString titolo = QString::fromStdString(fonti().front()->titolo());
    QString quando = inizio_.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    if (!archiviate_.empty()) {
        // An archived run by its start and its title; compared runs each by its start.
        QStringList date;
        for (const auto& c : archiviate_) {
            QString d = QString::fromStdString(datacorsa(c->corsa()));
            if (!c->corsa().titolo.empty())
                d += QStringLiteral(" «") + QString::fromStdString(c->corsa().titolo) +
                     QStringLiteral("»");
            date << d;
        }
        quando = date.join(QStringLiteral(", "));
    }
    chart_->setTitle((titolo.isEmpty() ? QStringLiteral("lettura") : titolo) +
                     QStringLiteral(" - ") + quando);
    setWindowTitle(QStringLiteral("grafico - ") + (titolo.isEmpty() ? QString() : titolo));
}

void TFormgrafico::apricorse() {
    // One list for the window's life, opened where it was left.
    if (!formcorse_) formcorse_ = new TFormcorse(this, archivio_, this);
    formcorse_->show();
    formcorse_->raise();
    formcorse_->activateWindow();
}

void TFormgrafico::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (!e->spontaneous()) ricostruisci();
}

void TFormgrafico::salva(bool pdf) {
    auto nome =
        pdf ? platform::dialoghi().salva("salva il grafico in PDF", "documento PDF|*.pdf")
            : platform::dialoghi().salva("salva il grafico come immagine", "immagine PNG|*.png");
    if (!nome || nome->empty()) return;
    const std::string file = platform::conestensione(*nome, pdf ? ".pdf" : ".png");
    if (pdf) {
        salvapdf(file);
    } else {
        salvapng(file);
    }
}

QStringList TFormgrafico::testorapporto() const {
    QStringList righe;
    for (const auto& c : archiviate_)
        righe << righecorsa(c->corsa());
    if (!pannello_->isHidden() && pannello_->selezionata()) {
        if (!righe.isEmpty()) righe << QString();
        righe << pannello_->righe();
    }
    return righe;
}

bool TFormgrafico::salvapng(const std::string& file, int larghezza, int altezza) {
    return stampapng(*chart_, font(), testorapporto(), file, larghezza, altezza);
}

bool TFormgrafico::salvapdf(const std::string& file) {
    return stampapdf(*chart_, font(), testorapporto(), file);
}

}  // namespace lumetto::acquisition
