// The editor of one of a teacher's experiment files; see formesperimenti.h.

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <tuple>

#include "acquisition/qt/formesperimenti.h"
#include "platform/dialoghi.h"
#include "platform/qt/finestre.h"
#include "platform/qt/guida.h"

namespace fs = std::filesystem;

namespace lumetto::acquisition {

namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

std::string secondi(int decimi) {
    std::string s = std::to_string(decimi / 10);
    if (decimi % 10 != 0) s += "," + std::to_string(decimi % 10);
    return s;
}

enum Campo { kNome, kUnita, kDecimali, kA, kB, kCampi };

constexpr std::array<int, 5> kVelocita = {9600, 19200, 38400, 57600, 115200};

// The decimals of a column: a spin box from 0 to 6, never a free text.
class DelegatoDecimali final : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* genitore, const QStyleOptionViewItem&,
                          const QModelIndex&) const override {
        auto* s = new QSpinBox(genitore);
        s->setRange(0, kMaxDecimali);
        s->setFrame(false);
        return s;
    }
};

[[noreturn]] void sbagliato(int colonna, const std::string& chiave, const std::string& testo) {
    const std::string dove = colonna > 0 ? "colonna " + std::to_string(colonna) + ": " : "";
    throw ErroreEsperimento(dove + testo, {}, 0, chiave);
}

// The number as an Italian reads it: decimal comma, every digit it needs.
QString numerotesto(double v) {
    char b[32];
    const auto r = std::to_chars(b, b + sizeof b, v);
    std::string s(b, r.ptr);
    std::replace(s.begin(), s.end(), '.', ',');
    return qs(s);
}

// A number typed with a decimal comma or point (1,5 1.5 -2 1e-3), whatever
// the locale; nothing when the text is not a finite number.
std::optional<double> numerodi(const QString& testo) {
    std::string s = testo.trimmed().toStdString();
    std::replace(s.begin(), s.end(), ',', '.');
    if (s.starts_with('+')) s.erase(0, 1);
    double v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

// The interval typed in seconds with at most one decimal ("1,5", "2", "0.1")
// in tenths of a second.
int decimidi(const QString& campo) {
    const std::string s = campo.trimmed().toStdString();
    auto cifra = [&](std::size_t i) { return i < s.size() && s[i] >= '0' && s[i] <= '9'; };
    std::size_t i = 0;
    int64_t decimi = 0;
    bool cifre = false;
    for (; cifra(i); ++i, cifre = true)
        decimi = std::min<int64_t>(decimi * 10 + (s[i] - '0'), kMaxDecimi + 1);
    decimi *= 10;
    if (i < s.size() && (s[i] == ',' || s[i] == '.')) {
        ++i;
        if (cifra(i)) {
            decimi += s[i++] - '0';
            cifre = true;
        }
        while (i < s.size() && s[i] == '0')  // 1,50 is 1,5
            ++i;
    }
    if (!cifre || i != s.size())
        sbagliato(0, "intervallo",
                  "\"intervallo\" si scrive in secondi, con al massimo un decimale, come 1,5 "
                  "(è \"" +
                      s + "\")");
    if (decimi < kMinDecimi || decimi > kMaxDecimi)
        sbagliato(0, "intervallo", "\"intervallo\" va da 0,1 a 3600 secondi (è " + s + ")");
    return static_cast<int>(decimi);
}

// Whether a file's text holds a comment other than the first line this
// program writes (`primariga`): saving from the fields would lose it. A '#'
// inside a one-line string is not one.
bool commentiamano(const std::string& testo, const std::string& primariga) {
    std::size_t inizio = 0;
    for (int n = 0; inizio < testo.size(); ++n) {
        std::size_t fine = testo.find('\n', inizio);
        if (fine == std::string::npos) fine = testo.size();
        std::string riga = testo.substr(inizio, fine - inizio);
        if (!riga.empty() && riga.back() == '\r') riga.pop_back();
        inizio = fine + 1;
        if (n == 0 && riga == primariga) continue;
        char virgolette = 0;
        for (std::size_t i = 0; i < riga.size(); ++i) {
            const char c = riga[i];
            if (virgolette == '"' && c == '\\') {
                ++i;
            } else if (virgolette) {
                if (c == virgolette) virgolette = 0;
            } else if (c == '"' || c == '\'') {
                virgolette = c;
            } else if (c == '#') {
                return true;
            }
        }
    }
    return false;
}

QLabel* etichetta(QWidget* genitore, const QString& testo, QWidget* compagno) {
    auto* l = new QLabel(testo, genitore);
    l->setBuddy(compagno);
    return l;
}

}  // namespace

TFormmio::TFormmio(const MioEsperimento& e, fs::path file, fs::path utente, fs::path condivisa,
                   QWidget* parent)
    : QDialog(parent),
      file_(std::move(file)),
      utente_(std::move(utente)),
      condivisa_(std::move(condivisa)) {
    setObjectName(QStringLiteral("Formmio"));
    setWindowTitle(file_.empty()
                       ? QStringLiteral("nuovo esperimento")
                       : qs("modifica l'esperimento (" + file_.filename().string() + ")"));
    setModal(true);
    platform::installaguida(this, "mio-esperimento.html#modifica");
    setFont(platform::carattereFinestra());
    if (!file_.empty()) primariga_ = "# " + e.nome;

    auto accessibile = [](QWidget* w, const char* nome, const QString& detto) {
        w->setObjectName(QString::fromLatin1(nome));
        w->setAccessibleName(detto);
    };
    nome_ = new QLineEdit(this);
    accessibile(nome_, "EditNome", QStringLiteral("nome"));
    nome_->setMaxLength(kMaxCaratteriNome);
    nome_->setPlaceholderText(QStringLiteral("per esempio: Luce e temperatura"));
    chiesto_ = new QRadioButton(
        QStringLiteral("&chiesto: a ogni intervallo Lumetto manda una lettera e la scheda "
                       "risponde"),
        this);
    accessibile(chiesto_, "RadioChiesto", QStringLiteral("chiesto"));
    libero_ = new QRadioButton(
        QStringLiteral("&libero: la scheda manda le sue righe da sola, come al Serial Plotter"),
        this);
    accessibile(libero_, "RadioLibero", QStringLiteral("libero"));
    auto* modi = new QVBoxLayout;
    modi->setContentsMargins(0, 0, 0, 0);
    modi->addWidget(chiesto_);
    modi->addWidget(libero_);

    lettera_ = new QLineEdit(this);
    accessibile(lettera_, "EditLettera", QStringLiteral("lettera"));
    lettera_->setMaxLength(1);
    lettera_->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("WWWW")));
    lettera_->setToolTip(
        QStringLiteral("la lettera che lo sketch aspetta per rispondere (non «?»)"));
    rigaintervallo_ = new QWidget(this);
    intervallo_ = new QLineEdit(rigaintervallo_);
    accessibile(intervallo_, "EditIntervallo", QStringLiteral("intervallo in secondi"));
    intervallo_->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000000")));
    intervallo_->setToolTip(QStringLiteral("da 0,1 a 3600 secondi, con al massimo un decimale"));
    auto* intervallo = new QHBoxLayout(rigaintervallo_);
    intervallo->setContentsMargins(0, 0, 0, 0);
    intervallo->addWidget(intervallo_);
    intervallo->addWidget(new QLabel(QStringLiteral("secondi (da 0,1 a 3600)"), rigaintervallo_));
    intervallo->addStretch();
    rigabaud_ = new QWidget(this);
    baud_ = new QComboBox(rigabaud_);
    accessibile(baud_, "ComboBaud", QStringLiteral("velocità in baud"));
    for (int v : kVelocita)
        baud_->addItem(QString::number(v) + QStringLiteral(" baud"), v);
    baud_->addItem(QStringLiteral("automatica"), kBaudAutomatica);
    auto* baud = new QHBoxLayout(rigabaud_);
    baud->setContentsMargins(0, 0, 0, 0);
    baud->addWidget(baud_);
    baud->addWidget(new QLabel(
        QStringLiteral("(automatica: Lumetto ascolta la scheda e trova da sé la velocità)"),
        rigabaud_));
    baud->addStretch();

    schema_ = new QLineEdit(this);
    accessibile(schema_, "EditSchema", QStringLiteral("file dello schema"));
    schema_->setPlaceholderText(
        QStringLiteral("facoltativo: il file .sca con il disegno e le etichette"));
    sfoglia_ =
        platform::bottone(this, QStringLiteral("BitBtnSfoglia"), QStringLiteral("S&foglia..."));
    auto* schema = new QHBoxLayout;
    schema->addWidget(schema_, 1);
    schema->addWidget(sfoglia_);

    modulo_ = new QFormLayout;
    modulo_->addRow(etichetta(this, QStringLiteral("&nome:"), nome_), nome_);
    modulo_->addRow(new QLabel(QStringLiteral("modo:"), this), modi);
    modulo_->addRow(etichetta(this, QStringLiteral("l&ettera:"), lettera_), lettera_);
    modulo_->addRow(etichetta(this, QStringLiteral("&intervallo:"), intervallo_), rigaintervallo_);
    modulo_->addRow(etichetta(this, QStringLiteral("&velocità:"), baud_), rigabaud_);
    modulo_->addRow(etichetta(this, QStringLiteral("sc&hema:"), schema_), schema);

    colonne_ = new QTableWidget(0, kCampi, this);
    accessibile(colonne_, "TabellaColonne", QStringLiteral("colonne"));
    colonne_->setHorizontalHeaderLabels({QStringLiteral("nome"), QStringLiteral("unità"),
                                         QStringLiteral("decimali"), QStringLiteral("a"),
                                         QStringLiteral("b")});
    colonne_->setSelectionBehavior(QAbstractItemView::SelectRows);
    colonne_->setSelectionMode(QAbstractItemView::SingleSelection);
    colonne_->setItemDelegateForColumn(kDecimali, new DelegatoDecimali(colonne_));
    colonne_->horizontalHeader()->setSectionResizeMode(kNome, QHeaderView::Stretch);
    colonne_->setColumnWidth(kUnita, fontMetrics().horizontalAdvance(QStringLiteral("unità")) * 2);
    colonne_->setColumnWidth(kDecimali,
                             fontMetrics().horizontalAdvance(QStringLiteral("decimali")) * 3 / 2);
    for (int c : {kA, kB})
        colonne_->setColumnWidth(
            c, fontMetrics().horizontalAdvance(QStringLiteral("0,000000")) * 3 / 2);
    colonne_->horizontalHeaderItem(kNome)->setToolTip(
        QStringLiteral("il nome della colonna nel registro, nel grafico e nei file"));
    colonne_->horizontalHeaderItem(kDecimali)->setToolTip(
        QStringLiteral("le cifre dopo la virgola mostrate nel registro (da 0 a 6)"));
    colonne_->horizontalHeaderItem(kA)->setToolTip(QStringLiteral("valore = a × ricevuto + b"));
    colonne_->horizontalHeaderItem(kB)->setToolTip(QStringLiteral("valore = a × ricevuto + b"));
    aggiungi_ =
        platform::bottone(this, QStringLiteral("BitBtnAggiungi"), QStringLiteral("&Aggiungi"));
    togli_ = platform::bottone(this, QStringLiteral("BitBtnTogli"), QStringLiteral("&Togli"));
    su_ = platform::bottone(this, QStringLiteral("BitBtnSu"), QStringLiteral("S&u"));
    giu_ = platform::bottone(this, QStringLiteral("BitBtnGiu"), QStringLiteral("&Giù"));
    auto* comandi = new QVBoxLayout;
    for (QPushButton* b : {aggiungi_, togli_, su_, giu_})
        comandi->addWidget(b);
    comandi->addStretch();
    auto* tabella = new QHBoxLayout;
    tabella->addWidget(colonne_, 1);
    tabella->addLayout(comandi);
    aiuto_ = new QLabel(this);
    aiuto_->setObjectName(QStringLiteral("LabelAiuto"));
    aiuto_->setWordWrap(true);

    salva_ = platform::bottone(this, QStringLiteral("BitBtnSalva"), QStringLiteral("&Salva"));
    annulla_ = platform::bottone(this, QStringLiteral("BitBtnAnnulla"), QStringLiteral("Annulla"));
    auto* bottoni = new QHBoxLayout;
    bottoni->addStretch();
    bottoni->addWidget(salva_);
    bottoni->addWidget(annulla_);

    auto* tutto = new QVBoxLayout(this);
    tutto->addLayout(modulo_);
    tutto->addSpacing(fontMetrics().lineSpacing() / 2);
    tutto->addWidget(etichetta(this, QStringLiteral("c&olonne:"), colonne_));
    tutto->addLayout(tabella, 1);
    tutto->addWidget(aiuto_);
    tutto->addLayout(bottoni);

    connect(chiesto_, &QRadioButton::toggled, this, [this] { aggiornamodo(); });
    connect(colonne_, &QTableWidget::currentCellChanged, this, [this] { aggiornamodo(); });
    connect(sfoglia_, &QPushButton::clicked, this, [this] { sfoglia(); });
    connect(aggiungi_, &QPushButton::clicked, this, [this] { aggiungi(); });
    connect(togli_, &QPushButton::clicked, this, [this] { togli(); });
    connect(su_, &QPushButton::clicked, this, [this] { sposta(-1); });
    connect(giu_, &QPushButton::clicked, this, [this] { sposta(1); });
    connect(salva_, &QPushButton::clicked, this, [this] { salva(); });
    connect(annulla_, &QPushButton::clicked, this, &QDialog::reject);

    mostra(e);
    resize(780, 540);
}

TFormmio::~TFormmio() = default;

void TFormmio::mostra(const MioEsperimento& e) {
    nome_->setText(qs(e.nome));
    (e.modo == ModoEsperimento::Chiesto ? chiesto_ : libero_)->setChecked(true);
    lettera_->setText(QString(QLatin1Char(e.lettera)));
    intervallo_->setText(qs(secondi(e.decimi)));
    const int b = baud_->findData(e.baud);
    baud_->setCurrentIndex(b >= 0 ? b : baud_->findData(kBaudAutomatica));
    schema_->setText(qs(e.schema));
    colonne_->setRowCount(static_cast<int>(e.colonne.size()));
    for (std::size_t r = 0; r < e.colonne.size(); ++r)
        riga(static_cast<int>(r), e.colonne[r]);
    if (!e.colonne.empty()) colonne_->setCurrentCell(0, kNome);
    aggiornamodo();
}

void TFormmio::riga(int r, const ColonnaEsperimento& c) {
    auto cella = [&](int k, const QVariant& v, bool numero) {
        auto* i = new QTableWidgetItem;
        i->setData(Qt::EditRole, v);
        if (numero) i->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        colonne_->setItem(r, k, i);
    };
    cella(kNome, qs(c.nome), false);
    cella(kUnita, qs(c.unita), false);
    cella(kDecimali, c.decimali, true);
    cella(kA, numerotesto(c.a), true);
    cella(kB, numerotesto(c.b), true);
}

void TFormmio::aggiornamodo() {
    const bool chiesto = chiesto_->isChecked();
    modulo_->setRowVisible(lettera_, chiesto);
    modulo_->setRowVisible(rigaintervallo_, chiesto);
    modulo_->setRowVisible(rigabaud_, !chiesto);
    const int massimo = static_cast<int>(chiesto ? kMaxColonneChiesto : kMaxColonneLibero);
    const int n = colonne_->rowCount();
    const int r = colonne_->currentRow();
    aggiungi_->setEnabled(n < massimo);
    aggiungi_->setToolTip(n < massimo ? QString()
                                      : qs("al massimo " + std::to_string(massimo) +
                                           " colonne con il modo «" +
                                           (chiesto ? "chiesto" : "libero") + "»"));
    togli_->setEnabled(r >= 0 && r < n);
    su_->setEnabled(r > 0 && r < n);
    giu_->setEnabled(r >= 0 && r < n - 1);
    QString aiuto = QStringLiteral(
        "a e b tarano il valore: valore = a × ricevuto + b (con a = 1 e b = 0 resta quello "
        "che manda la scheda). ");
    if (chiesto)
        aiuto +=
            QStringLiteral("Da 1 a 12 colonne, nell'ordine dei campi della risposta della scheda.");
    else
        aiuto += QStringLiteral(
            "Fino a 13 colonne, abbinate alle etichette della scheda per nome (luce:512) o, "
            "se manda solo numeri, per posizione. Si possono lasciare vuote: le colonne "
            "prendono allora i nomi che manda la scheda.");
    aiuto_->setText(aiuto);
}

void TFormmio::aggiungi() {
    const int massimo =
        static_cast<int>(chiesto_->isChecked() ? kMaxColonneChiesto : kMaxColonneLibero);
    if (colonne_->rowCount() >= massimo) return;
    const int r = colonne_->currentRow() >= 0 ? colonne_->currentRow() + 1 : colonne_->rowCount();
    colonne_->insertRow(r);
    riga(r, ColonnaEsperimento{});
    colonne_->setCurrentCell(r, kNome);
    // Typing starts on the new column's name.
    colonne_->setFocus();
    aggiornamodo();
}

void TFormmio::togli() {
    const int r = colonne_->currentRow();
    if (r < 0 || r >= colonne_->rowCount()) return;
    colonne_->removeRow(r);
    if (colonne_->rowCount() > 0)
        colonne_->setCurrentCell(std::min(r, colonne_->rowCount() - 1), kNome);
    aggiornamodo();
}

void TFormmio::sposta(int verso) {
    const int r = colonne_->currentRow();
    const int t = r + verso;
    if (r < 0 || t < 0 || t >= colonne_->rowCount()) return;
    for (int k = 0; k < kCampi; ++k) {
        QTableWidgetItem* da = colonne_->takeItem(r, k);
        QTableWidgetItem* a = colonne_->takeItem(t, k);
        colonne_->setItem(r, k, a);
        colonne_->setItem(t, k, da);
    }
    colonne_->setCurrentCell(t, std::max(colonne_->currentColumn(), 0));
    aggiornamodo();
}

void TFormmio::sfoglia() {
    const auto file = platform::dialoghi().apri("scegli lo schema", "schemi|*.sca");
    if (file && !file->empty()) schema_->setText(qs(*file));
}

MioEsperimento TFormmio::esperimento() const {
    MioEsperimento e;
    e.nome = nome_->text().trimmed().toStdString();
    e.modo = chiesto_->isChecked() ? ModoEsperimento::Chiesto : ModoEsperimento::Libero;
    if (e.modo == ModoEsperimento::Chiesto) {
        const std::string l = lettera_->text().trimmed().toStdString();
        if (l.size() != 1)
            sbagliato(0, "lettera",
                      "\"lettera\" deve essere un solo carattere ASCII visibile diverso da \"?\"" +
                          (l.empty() ? std::string(" (è vuota)") : " (è \"" + l + "\")"));
        e.lettera = l.front();
        e.decimi = decimidi(intervallo_->text());
    } else {
        e.baud = baud_->currentData().toInt();
    }
    e.schema = schema_->text().trimmed().toStdString();
    for (int r = 0; r < colonne_->rowCount(); ++r) {
        auto testo = [&](int k) {
            const QTableWidgetItem* i = colonne_->item(r, k);
            return i ? i->data(Qt::EditRole).toString().trimmed() : QString();
        };
        ColonnaEsperimento c;
        c.nome = testo(kNome).toStdString();
        c.unita = testo(kUnita).toStdString();
        bool intero = false;
        c.decimali = testo(kDecimali).toInt(&intero);
        if (!intero)
            sbagliato(r + 1, "decimali",
                      "\"decimali\" va da 0 a 6 (è \"" + testo(kDecimali).toStdString() + "\")");
        for (auto [k, chiave, valore, vuoto] :
             {std::tuple{kA, "a", &c.a, 1.0}, std::tuple{kB, "b", &c.b, 0.0}}) {
            const QString t = testo(k);
            const auto v = t.isEmpty() ? std::optional<double>(vuoto) : numerodi(t);
            if (!v)
                sbagliato(r + 1, chiave,
                          "\"" + std::string(chiave) + "\" deve essere un numero, come 0,5 (è \"" +
                              t.toStdString() + "\")");
            *valore = *v;
        }
        e.colonne.push_back(std::move(c));
    }
    controllaesperimento(e);
    return e;
}

bool TFormmio::salva() {
    // A cell still being typed in (Alt+S leaves the focus there) counts too:
    // leaving the current cell hands its editor's text to the table.
    const QModelIndex qui = colonne_->currentIndex();
    colonne_->setCurrentIndex(QModelIndex());
    colonne_->setCurrentIndex(qui);
    try {
        const MioEsperimento e = esperimento();
        if (!file_.empty()) {
            std::ifstream f(file_, std::ios::binary);
            const std::string testo{std::istreambuf_iterator<char>(f),
                                    std::istreambuf_iterator<char>()};
            if (commentiamano(testo, primariga_) &&
                !platform::dialoghi().conferma("Il file " + file_.string() +
                                               " ha dei commenti scritti a mano: salvando "
                                               "l'esperimento da qui si perdono.\nSalvare lo "
                                               "stesso?"))
                return false;
        }
        const fs::path file =
            file_.empty() ? nuovofileesperimento(e.nome, utente_, condivisa_) : file_;
        salvaesperimento(e, file);
        file_ = file;
    } catch (const ErroreEsperimento& x) {
        platform::dialoghi().errore(x.what());
        return false;
    }
    accept();
    return true;
}

}  // namespace lumetto::acquisition
