#pragma once
// The plot window's analysis: a range of one curve, chosen with Shift and a
// drag over the plot or with its two ends in boxes, gives its statistics and
// a fit (linear, proportional, quadratic, exponential with an offset) drawn
// over it; Ctrl and a click gives the tangent there. The results are text
// the user can select and copy, and they go into the saved PNG and PDF.

#include <QList>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <vector>

class QComboBox;
class QDoubleSpinBox;
class QPlainTextEdit;

QT_BEGIN_NAMESPACE
class QChart;
class QLineSeries;
class QValueAxis;
class QXYSeries;
QT_END_NAMESPACE

namespace lumetto::acquisition {

class PannelloAnalisi final : public QWidget {
  public:
    PannelloAnalisi(QChart* chart, QWidget* parent);

    struct CurvaAnalizzabile {
        QString nome;
        QXYSeries* serie = nullptr;
        QString unitay = {};  // "°C"; empty: none, or not known
        QString unitax = {};  // "s", or empty for reading numbers
        // Every point of the curve, which the analysis reads: the series of
        // a long run holds only what the screen can show of it (a minimum
        // and a maximum a pixel column).
        const QList<QPointF>* tutti = nullptr;
    };
    // After the plot laid its series out again (which deleted the panel's
    // own): the curves that can be analysed, with their units, and the axes.
    void impostacurve(std::vector<CurvaAnalizzabile> curve, QValueAxis* x, QValueAxis* y);
    // The range from a Shift-drag, and the point from a Ctrl-click, in x.
    void selezione(double da, double a);
    void tangentein(double x);
    // Everything worked out again from the curve's points.
    void calcola();
    bool selezionata() const { return selezionata_; }

    QStringList righe() const { return righe_; }
    QPlainTextEdit* risultati() const { return testo_; }
    QComboBox* curva() const { return curva_; }
    QComboBox* modello() const { return modello_; }

  private:
    void togli(QLineSeries*& s);
    QLineSeries* linea(const QString& nome, const QPen& penna);

    QChart* chart_;
    QComboBox* curva_ = nullptr;
    QComboBox* modello_ = nullptr;
    QDoubleSpinBox* da_ = nullptr;
    QDoubleSpinBox* a_ = nullptr;
    QPlainTextEdit* testo_ = nullptr;
    std::vector<CurvaAnalizzabile> curve_;
    QValueAxis* x_ = nullptr;
    QValueAxis* y_ = nullptr;
    QLineSeries* adattata_ = nullptr;
    QLineSeries* tangente_ = nullptr;
    QLineSeries* bordi_ = nullptr;  // the range's two ends, as one broken line
    bool selezionata_ = false;
    bool conTangente_ = false;
    double xTangente_ = 0;
    QStringList righe_;
};

}  // namespace lumetto::acquisition
