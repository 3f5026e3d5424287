#pragma once
// The plot window's chart view and what the mouse and keyboard do on it.

#include <QChart>
#include <QChartView>
#include <QKeyEvent>
#include <QLegend>
#include <QLegendMarker>
#include <QMouseEvent>
#include <QRubberBand>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <functional>

namespace lumetto::acquisition {

// The chart's own view: the wheel zooms about the mouse, a drag pans, and
// the keyboard does both (+ and -, the arrows, Home for the whole run). Any
// of them turns automatic scaling off, so that new readings leave the view
// where the user put it.
class VistaGrafico final : public QChartView {
  public:
    VistaGrafico(QChart* c, std::function<void()> mosso, std::function<void()> tutto,
                 QWidget* parent)
        : QChartView(c, parent), mosso_(std::move(mosso)), tutto_(std::move(tutto)) {
        banda_ = new QRubberBand(QRubberBand::Rectangle, viewport());
        banda_->hide();
        setRenderHint(QPainter::Antialiasing);
        setFocusPolicy(Qt::StrongFocus);
        setDragMode(QGraphicsView::NoDrag);
    }

  protected:
    void wheelEvent(QWheelEvent* e) override {
        const double passi = e->angleDelta().y() / 120.0;
        if (passi == 0) return;
        zoom(std::pow(1.25, passi), e->position());
        e->accept();
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton && (e->modifiers() & Qt::ControlModifier)) {
            if (tangente) tangente(valoreX(e->position()));
            e->accept();
            return;
        }
        if (e->button() == Qt::LeftButton && (e->modifiers() & Qt::ShiftModifier)) {
            // A range of x: a band across the whole plot area while dragging.
            seleziona_ = true;
            da_ = e->position();
            aggiornabanda(e->position());
            banda_->show();
            e->accept();
            return;
        }
        if (e->button() == Qt::LeftButton) {
            trascina_ = true;
            da_ = e->position();
            setCursor(Qt::ClosedHandCursor);
        }
        QChartView::mousePressEvent(e);
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (seleziona_) {
            aggiornabanda(e->position());
            e->accept();
            return;
        }
        if (trascina_) {
            const QPointF d = e->position() - da_;
            da_ = e->position();
            sposta(-d.x(), d.y());
        }
        QChartView::mouseMoveEvent(e);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (seleziona_) {
            seleziona_ = false;
            banda_->hide();
            if (selezione && std::abs(e->position().x() - da_.x()) >= 3)
                selezione(valoreX(da_), valoreX(e->position()));
            e->accept();
            return;
        }
        trascina_ = false;
        unsetCursor();
        QChartView::mouseReleaseEvent(e);
    }
    void keyPressEvent(QKeyEvent* e) override {
        const QPointF centro = chart()->plotArea().center();
        const double passo = 30;
        switch (e->key()) {
            case Qt::Key_Plus:
            case Qt::Key_Equal:
                zoom(1.25, centro);
                break;
            case Qt::Key_Minus:
                zoom(0.8, centro);
                break;
            case Qt::Key_Left:
                sposta(-passo, 0);
                break;
            case Qt::Key_Right:
                sposta(passo, 0);
                break;
            case Qt::Key_Up:
                sposta(0, passo);
                break;
            case Qt::Key_Down:
                sposta(0, -passo);
                break;
            case Qt::Key_Home:
            case Qt::Key_0:
                tutto_();
                break;
            default:
                // 1 to 9 show or hide the curve of that entry of the legend,
                // as a click on it does.
                if (e->key() >= Qt::Key_1 && e->key() <= Qt::Key_9) {
                    const auto voci = chart()->legend()->markers();
                    const auto n = static_cast<qsizetype>(e->key() - Qt::Key_1);
                    if (n < voci.size()) emit voci[n]->clicked();
                    break;
                }
                QChartView::keyPressEvent(e);
                return;
        }
        e->accept();
    }

  public:
    std::function<void(double, double)> selezione;
    std::function<void(double)> tangente;

  private:
    double valoreX(QPointF vista) const {
        const QPointF nelgrafico = chart()->mapFromScene(mapToScene(vista.toPoint()));
        return chart()->mapToValue(nelgrafico).x();
    }
    void aggiornabanda(QPointF a) {
        const QRectF area = chart()->mapRectToScene(chart()->plotArea());
        const QRect r = mapFromScene(area).boundingRect();
        banda_->setGeometry(QRect(QPoint(static_cast<int>(std::min(da_.x(), a.x())), r.top()),
                                  QPoint(static_cast<int>(std::max(da_.x(), a.x())), r.bottom())));
    }
    void sposta(double dx, double dy) {
        chart()->scroll(dx, dy);
        mosso_();
    }
    void zoom(double fattore, QPointF dove) {
        QRectF area = chart()->plotArea();
        const QPointF centro = area.center();
        area.setWidth(area.width() / fattore);
        area.setHeight(area.height() / fattore);
        area.moveCenter(centro + (dove - centro) * (1 - 1 / fattore));
        chart()->zoomIn(area);
        mosso_();
    }

    std::function<void()> mosso_, tutto_;
    QRubberBand* banda_ = nullptr;
    bool seleziona_ = false;
    bool trascina_ = false;
    QPointF da_;
};

}  // namespace lumetto::acquisition
