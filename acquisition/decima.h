#pragma once
// What a curve of many readings shows on a screen: for each pixel column of
// the plot, the lowest and the highest reading in it, in the order they came,
// so that 100,000 readings draw as fast as a thousand and no peak is lost.

#include <QList>
#include <QPointF>
#include <algorithm>
#include <cmath>

namespace lumetto::acquisition {

// Points of a curve whose x grows, seen from x = da to x = a on `colonne`
// pixel columns: at most two a column, plus the point just outside each end
// so that the line runs to the border.
inline QList<QPointF> decima(const QList<QPointF>& punti, double da, double a, int colonne) {
    QList<QPointF> visti;
    if (punti.isEmpty() || colonne < 1 || !(a > da)) return visti;
    const auto primo = std::lower_bound(punti.begin(), punti.end(), da,
                                        [](const QPointF& p, double x) { return p.x() < x; });
    const auto ultimo = std::upper_bound(primo, punti.end(), a,
                                         [](double x, const QPointF& p) { return x < p.x(); });
    if (primo != punti.begin()) visti.append(*(primo - 1));
    const double larghezza = (a - da) / colonne;
    auto i = primo;
    while (i != ultimo) {
        const double colonna = std::floor((i->x() - da) / larghezza);
        auto basso = i, alto = i;
        for (; i != ultimo && std::floor((i->x() - da) / larghezza) == colonna; ++i) {
            if (i->y() < basso->y()) basso = i;
            if (i->y() > alto->y()) alto = i;
        }
        if (basso == alto) {
            visti.append(*basso);
        } else if (basso < alto) {
            visti.append(*basso);
            visti.append(*alto);
        } else {
            visti.append(*alto);
            visti.append(*basso);
        }
    }
    if (ultimo != punti.end()) visti.append(*ultimo);
    return visti;
}

}  // namespace lumetto::acquisition
