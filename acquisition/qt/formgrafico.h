#pragma once
// The plot window ("grafico"): the current run as curves, one per value
// column, the whole run up to reading 1000; state columns as steps with their
// words on an axis of their own; readings where a condition holds marked in
// its colour. Non-modal: it stays open while runs start and stop, follows
// every reading as the acquisition stores it, and never touches the port or
// the timer. Zoom and pan with the wheel, a drag or the keyboard; an X-Y view
// of one column against another; saved as PNG or PDF for a lab report.

#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QPointF>
#include <QStringList>
#include <QWidget>
#include <filesystem>
#include <map>
#include <memory>
#include <vector>

#include "acquisition/acquisizione.h"
#include "acquisition/grafico.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

QT_BEGIN_NAMESPACE
class QChart;
class QChartView;
class QCategoryAxis;
class QLineSeries;
class QScatterSeries;
class QValueAxis;
class QXYSeries;
QT_END_NAMESPACE

namespace lumetto::acquisition {

class VistaGrafico;
class TFormcorse;
class PannelloAnalisi;

class TFormgrafico final : public QWidget, public Ascoltatore {
  public:
    explicit TFormgrafico(QWidget* parent = nullptr);
    ~TFormgrafico() override;
    TFormgrafico(const TFormgrafico&) = delete;
    TFormgrafico& operator=(const TFormgrafico&) = delete;

    // Ascoltatore
    void nuovacorsa() override;
    void letturamemorizzata(int r) override;

    // Everything drawn again from the reading table (on showing, and when
    // the x axis or the view changes).
    void ricostruisci();
    // The readings noted since the last drawing drawn now (the event loop
    // does it by itself right after a reading).
    void disegna();
    // The chart as a PNG of `larghezza` x `altezza` pixels, or as an A4 PDF
    // page; false, after the error box, when the file cannot be written.
    bool salvapng(const std::string& file, int larghezza = 1600, int altezza = 1000);
    bool salvapdf(const std::string& file);
    // What the saved PNG and PDF carry under the chart: the archived runs'
    // titles and notes, and the analysis shown.
    QStringList testorapporto() const;

    // Runs from the archive in place of the current one: one to look at
    // again, or up to four of one experiment laid over each other (each its
    // line style, each column its colour). An empty list, or a new run
    // starting, brings back the current run.
    void mostracorse(std::vector<std::unique_ptr<CorsaArchiviata>> corse);
    const std::vector<std::unique_ptr<CorsaArchiviata>>& corsemostrate() const {
        return archiviate_;
    }
    // A reading of the one archived run shown that came after it was opened
    // (a bench of the class, live): drawn as the current run's readings are.
    void aggiungilettura(const archivio::Lettura& l);
    // Where the runs' list looks (the user's archive unless a test says).
    void impostaarchivio(std::filesystem::path file) { archivio_ = std::move(file); }

    // For tests and the benchmark.
    QChart* grafico() const { return chart_; }
    PannelloAnalisi* analisi() const { return pannello_; }
    QChartView* vistagrafico() const;

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    struct Curva {
        ColonnaGrafico colonna;
        const FonteGrafico* fonte = nullptr;
        QLineSeries* serie = nullptr;
        double ultimo = 0;  // the last value, where a state's step starts
        bool vuota = true;
        // Every point; past kPuntiSchermo the series holds only what the
        // screen can show of them (decima.h), drawn again when the view moves.
        QList<QPointF> tutti = {};
        bool decimata = false;
    };
    static constexpr qsizetype kPuntiSchermo = 4000;
    static constexpr qint64 kRitmoMs = 250;
    void ridecima();
    QElapsedTimer ridecimata_;
    bool ridecimaprevista_ = false;
    void sceltecolonne();  // the X-Y view's boxes for the run's columns
    void impostacolonne();
    void aggiungi(const FonteGrafico& f, int r);
    std::vector<const FonteGrafico*> fonti() const;
    void apricorse();
    void metti(QXYSeries* serie, double x, double y);
    void estendi(double x, double y, bool stato);
    void applicascala();
    void riscala();  // the extent of the curves shown, read again
    void salva(bool pdf);
    void aggiornatitolo();
    // The y axis's title from the columns of values shown (all of them when
    // none is): the one column's "temp [°C]", "valore [°C]" for columns that
    // share a unit, else "valore".
    std::string titoloy() const;
    // The unit of the column chosen in an X-Y box.
    QString unitadi(const QComboBox* scelta) const;
    void programmadisegno();
    bool xy() const;

    QCheckBox* auto_ = nullptr;
    QComboBox* asseX_ = nullptr;
    QCheckBox* vistaXY_ = nullptr;
    QComboBox* colonnaX_ = nullptr;
    QComboBox* colonnaY_ = nullptr;
    QPushButton* png_ = nullptr;
    QPushButton* pdf_ = nullptr;
    QPushButton* chiudi_ = nullptr;
    QPushButton* corse_ = nullptr;
    QPushButton* attuale_ = nullptr;
    QPushButton* analisi_ = nullptr;
    PannelloAnalisi* pannello_ = nullptr;
    QLabel* aiuto_ = nullptr;
    VistaGrafico* vista_ = nullptr;
    QChart* chart_ = nullptr;
    QValueAxis* x_ = nullptr;
    QValueAxis* y_ = nullptr;
    QCategoryAxis* stati_ = nullptr;
    std::vector<Curva> curve_;
    std::vector<Curva> curveXY_;  // one a run in the X-Y view
    QScatterSeries* rossi_ = nullptr;
    QScatterSeries* blu_ = nullptr;
    QScatterSeries* rossiStati_ = nullptr;
    QScatterSeries* bluStati_ = nullptr;
    bool estesa_ = false;  // something was drawn: the extent below means something
    double minX_ = 0, maxX_ = 1, minY_ = 0, maxY_ = 1;
    QDateTime inizio_;
    int disegnate_ = 0;                            // readings drawn
    std::map<QXYSeries*, QList<QPointF>> attesa_;  // points noted, not yet in their series
    bool programmato_ = false;
    bool colonneNuove_ = true;  // a run began since the boxes were filled
    CorsaAttuale corrente_;
    std::vector<std::unique_ptr<CorsaArchiviata>> archiviate_;
    std::filesystem::path archivio_ = archivio::filepredefinito();
    TFormcorse* formcorse_ = nullptr;
};

}  // namespace lumetto::acquisition
