// Topics, payload writers and the teacher's parser of the class's messages,
// on Qt Core's JSON classes.
#include "classroom/messaggi.h"

#include <QByteArray>
#include <QChar>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QString>
#include <QStringDecoder>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

namespace lumetto::classe {

namespace {

// A part of the topic, a key or a value that makes the message wrong: what
// the parser says. Each check returns an empty text when all holds.
using Errore = std::string;

QString q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string utf8(const QString& s) {
    return s.toStdString();
}

// A text as a payload holds it: valid UTF-8 (a bad byte becomes U+FFFD)
// cut, where longer, to `massimo` bytes at the end of a character.
QString testolimitato(std::string_view s, std::size_t massimo = kMaxTesto) {
    QByteArray u = q(s).toUtf8();
    if (static_cast<std::size_t>(u.size()) > massimo) {
        qsizetype fine = static_cast<qsizetype>(massimo);
        while (fine > 0 && (static_cast<unsigned char>(u[fine]) & 0xC0) == 0x80)
            --fine;
        u.truncate(fine);
    }
    return QString::fromUtf8(u);
}

std::string documento(const QJsonObject& o) {
    return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
}

std::string inciso(std::string_view s) {
    // A refused level or key is quoted in the reason, shortened.
    std::string t(s.substr(0, 40));
    if (s.size() > 40) t += "...";
    return "«" + t + "»";
}

// An integer value of `chiave` within [minimo, massimo]; a whole number
// written as 2.0 or 2e0 counts, 2.5 does not.
Errore intero(const QJsonObject& o, const char* chiave, int64_t minimo, int64_t massimo,
              int64_t& fuori) {
    const QJsonValue v = o.value(QLatin1StringView(chiave));
    if (v.isUndefined()) return std::string("manca «") + chiave + "»";
    const int64_t n = v.toInteger(minimo - 1);
    if (!v.isDouble() || n < minimo || n > massimo)
        return std::string("«") + chiave + "» non è un intero da " + std::to_string(minimo) +
               " a " + std::to_string(massimo);
    fuori = n;
    return {};
}

Errore testo(const QJsonObject& o, const char* chiave, bool obbligatorio, std::string& fuori,
             std::size_t massimo = kMaxTesto) {
    const QJsonValue v = o.value(QLatin1StringView(chiave));
    if (v.isUndefined()) {
        if (obbligatorio) return std::string("manca «") + chiave + "»";
        fuori.clear();
        return {};
    }
    if (!v.isString()) return std::string("«") + chiave + "» non è un testo";
    std::string t = utf8(v.toString());
    if (t.size() > massimo)
        return std::string("«") + chiave + "» supera " + std::to_string(massimo) + " byte";
    fuori = std::move(t);
    return {};
}

// A run's columns: at most kColonne objects, each a name (1 to
// kMaxNomeColonna bytes), a unit (at most kMaxUnita) and the decimals shown
// (0 to kMaxDecimali), the last two optional. None given: the header's.
Errore leggicolonne(const QJsonObject& o, std::vector<archivio::ColonnaCorsa>& colonne) {
    colonne.clear();
    const QJsonValue v = o.value(QLatin1StringView("colonne"));
    if (v.isUndefined()) return {};  // a bench older than the columns
    if (!v.isArray()) return "«colonne» non è un elenco";
    const QJsonArray a = v.toArray();
    if (a.size() > archivio::kColonne)
        return "«colonne» ha più di " + std::to_string(archivio::kColonne) + " colonne";
    for (qsizetype k = 0; k < a.size(); ++k) {
        const std::string quale = "colonna " + std::to_string(k + 1) + ": ";
        if (!a.at(k).isObject()) return quale + "non è un oggetto";
        const QJsonObject c = a.at(k).toObject();
        archivio::ColonnaCorsa col;
        Errore e;
        if (!(e = testo(c, "nome", true, col.nome, kMaxNomeColonna)).empty()) return quale + e;
        if (col.nome.empty()) return quale + "«nome» è vuoto";
        if (!(e = testo(c, "unita", false, col.unita, kMaxUnita)).empty()) return quale + e;
        if (c.contains(QLatin1StringView("decimali"))) {
            int64_t d = 0;
            if (!(e = intero(c, "decimali", 0, kMaxDecimali, d)).empty()) return quale + e;
            col.decimali = static_cast<int>(d);
        }
        colonne.push_back(std::move(col));
    }
    return {};
}

// A number in a reason, shortest form, decimal point whatever the locale.
std::string numero(double d) {
    char t[32];
    const auto r = std::to_chars(t, t + sizeof t, d);
    return std::string(t, r.ptr);
}

bool cifra(char c) {
    return c >= '0' && c <= '9';
}

// "+01:00", "-03:30": the zone's offset as the archive writes it.
bool fusovalido(std::string_view f) {
    return f.size() == 6 && (f[0] == '+' || f[0] == '-') && cifra(f[1]) && cifra(f[2]) &&
           f[3] == ':' && cifra(f[4]) && cifra(f[5]) && (f[1] - '0') * 10 + (f[2] - '0') <= 14 &&
           (f[4] - '0') < 6;
}

Errore leggistato(const QJsonObject& o, StatoBanco& s) {
    const QJsonValue v = o.value(QLatin1StringView("stato"));
    if (!v.isString()) return "«stato» manca o non è un testo";
    const QString t = v.toString();
    if (t == u"in corsa")
        s.stato = Stato::InCorsa;
    else if (t == u"fermo")
        s.stato = Stato::Fermo;
    else if (t == u"offline")
        s.stato = Stato::Offline;
    else
        return "«stato» non è «in corsa», «fermo» né «offline»";
    Errore e;
    if (!(e = testo(o, "esperimento", false, s.esperimento)).empty()) return e;
    if (!(e = testo(o, "sketch", false, s.sketch)).empty()) return e;
    if (!(e = testo(o, "versione", false, s.versione)).empty()) return e;
    s.corsa = 0;
    if (o.contains(QLatin1StringView("corsa")) &&
        !(e = intero(o, "corsa", 1, kMaxIntero, s.corsa)).empty())
        return e;
    if (s.stato == Stato::InCorsa && s.corsa == 0) return "«in corsa» senza «corsa»";
    return {};
}

// A run's facts on the topic of bench `banco`, run `id`.
Errore leggicorsa(const QJsonObject& o, std::string_view banco, int64_t id, archivio::Corsa& c) {
    Errore e;
    if (!(e = intero(o, "id", 1, kMaxIntero, c.id)).empty()) return e;
    if (c.id != id) return "«id» " + std::to_string(c.id) + " non è quello dell'argomento";
    int64_t n = 0;
    if (!(e = intero(o, "codice", std::numeric_limits<int32_t>::min(),
                     std::numeric_limits<int32_t>::max(), n))
             .empty())
        return e;
    c.codice = static_cast<int>(n);
    if (!(e = intero(o, "intervallo", 0, std::numeric_limits<int32_t>::max(), n)).empty()) return e;
    c.intervallo = static_cast<int32_t>(n);
    struct Campo {
        const char* chiave;
        std::string archivio::Corsa::*campo;
        bool obbligatorio;
    };
    static const Campo campi[] = {
        {"esperimento", &archivio::Corsa::esperimento, true},
        {"testata", &archivio::Corsa::testata, true},
        {"inizio", &archivio::Corsa::inizio, true},
        {"mascheratipo", &archivio::Corsa::mascheratipo, false},
        {"fuso", &archivio::Corsa::fuso, false},
        {"porta", &archivio::Corsa::porta, false},
        {"sketch", &archivio::Corsa::sketch, false},
        {"versione", &archivio::Corsa::versione, false},
        {"banco", &archivio::Corsa::banco, false},
        {"titolo", &archivio::Corsa::titolo, false},
    };
    for (const Campo& k : campi)
        if (!(e = testo(o, k.chiave, k.obbligatorio, c.*k.campo)).empty()) return e;
    // The teacher files a run by its bench and start: a bench that names
    // another in the body would put its readings in that one's place.
    if (!c.banco.empty() && c.banco != banco)
        return "«banco» " + inciso(c.banco) + " non è il banco dell'argomento, " + inciso(banco);
    c.banco = std::string(banco);
    if (!(e = leggicolonne(o, c.colonne)).empty()) return e;
    if (c.colonne.empty()) c.colonne = archivio::colonnedatestata(c.testata);
    // The teacher's window orders and shows runs by their start.
    const QDateTime inizio = QDateTime::fromString(q(c.inizio), Qt::ISODateWithMs);
    if (!inizio.isValid()) return "«inizio» non è una data e ora ISO 8601";
    if (const int anno = inizio.toUTC().date().year(); anno < kPrimoAnno || anno > kUltimoAnno)
        return "«inizio» è nell'anno " + std::to_string(anno) + ", fuori dagli anni da " +
               std::to_string(kPrimoAnno) + " a " + std::to_string(kUltimoAnno);
    if (!c.fuso.empty() && !fusovalido(c.fuso)) return "«fuso» non è come «+01:00»";
    return {};
}

Errore leggilettura(const QJsonObject& o, archivio::Lettura& l) {
    Errore e;
    int64_t n = 0;
    if (!(e = intero(o, "numero", 1, kMaxNumero, n)).empty()) return e;
    l.numero = static_cast<int>(n);
    if (!(e = intero(o, "ms", 0, kMaxIntero, l.ms)).empty()) return e;
    const QJsonValue v = o.value(QLatin1StringView("valori"));
    if (!v.isArray()) return "«valori» manca o non è un elenco";
    const QJsonArray valori = v.toArray();
    if (valori.size() > archivio::kColonne)
        return "«valori» ha più di " + std::to_string(archivio::kColonne) + " valori";
    l.valori.fill(std::numeric_limits<double>::quiet_NaN());
    for (qsizetype k = 0; k < valori.size(); ++k) {
        const QJsonValue x = valori.at(k);
        // Qt's parser takes no NaN or infinity: a number here is finite.
        if (x.isDouble()) {
            const double d = x.toDouble();
            if (!(std::abs(d) <= kMaxValore))
                return "il valore " + std::to_string(k + 1) + ", " + numero(d) +
                       ", supera in grandezza " + numero(kMaxValore);
            l.valori[static_cast<std::size_t>(k)] = d;
        } else if (!x.isNull())
            return "il valore " + std::to_string(k + 1) + " non è un numero né null";
    }
    return {};
}

}  // namespace

std::vector<std::string_view> livelliargomento(std::string_view argomento) {
    std::vector<std::string_view> l;
    for (std::size_t da = 0;;) {
        const std::size_t a = argomento.find('/', da);
        l.push_back(argomento.substr(da, a == std::string_view::npos ? a : a - da));
        if (a == std::string_view::npos) break;
        da = a + 1;
    }
    return l;
}

std::optional<int64_t> idlivello(std::string_view s) {
    if (s.empty() || s.size() > 16 || s[0] == '0') return std::nullopt;
    int64_t n = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + (c - '0');
    }
    if (n > kMaxIntero) return std::nullopt;
    return n;
}

const char* const kRegolaLivello =
    "lettere, cifre, «-», «_» e «.», da 1 a 64 byte (niente spazi, «/», «+» o «#»)";

bool livellovalido(std::string_view livello) {
    if (livello.empty() || livello.size() > kMaxLivello) return false;
    QStringDecoder decodifica(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString testo = decodifica(QByteArrayView(livello.data(), livello.size()));
    if (decodifica.hasError()) return false;
    for (char32_t c : testo.toUcs4())
        if (!QChar::isLetterOrNumber(c) && c != U'-' && c != U'_' && c != U'.') return false;
    return true;
}

std::string argomentostato(std::string_view classe, std::string_view banco) {
    return std::string(kRadice) + "/" + std::string(classe) + "/" + std::string(banco) + "/stato";
}

std::string argomentocorsa(std::string_view classe, std::string_view banco, int64_t corsa) {
    return std::string(kRadice) + "/" + std::string(classe) + "/" + std::string(banco) + "/corsa/" +
           std::to_string(corsa);
}

std::string argomentoletture(std::string_view classe, std::string_view banco, int64_t corsa) {
    return argomentocorsa(classe, banco, corsa) + "/letture";
}

std::string filtroclasse(std::string_view classe) {
    return std::string(kRadice) + "/" + std::string(classe) + "/#";
}

std::string_view testostato(Stato s) {
    switch (s) {
        case Stato::InCorsa:
            return "in corsa";
        case Stato::Fermo:
            return "fermo";
        case Stato::Offline:
            break;
    }
    return "offline";
}

std::string scrivistato(const StatoBanco& s) {
    QJsonObject o;
    o.insert(QLatin1StringView("stato"), q(testostato(s.stato)));
    if (!s.esperimento.empty())
        o.insert(QLatin1StringView("esperimento"), testolimitato(s.esperimento));
    if (!s.sketch.empty()) o.insert(QLatin1StringView("sketch"), testolimitato(s.sketch));
    if (!s.versione.empty()) o.insert(QLatin1StringView("versione"), testolimitato(s.versione));
    if (s.corsa != 0) o.insert(QLatin1StringView("corsa"), static_cast<qint64>(s.corsa));
    return documento(o);
}

std::string scrivicorsa(const archivio::Corsa& c) {
    QJsonObject o;
    o.insert(QLatin1StringView("id"), static_cast<qint64>(c.id));
    o.insert(QLatin1StringView("codice"), c.codice);
    o.insert(QLatin1StringView("esperimento"), testolimitato(c.esperimento));
    o.insert(QLatin1StringView("testata"), testolimitato(c.testata));
    o.insert(QLatin1StringView("mascheratipo"), testolimitato(c.mascheratipo));
    o.insert(QLatin1StringView("intervallo"), c.intervallo);
    o.insert(QLatin1StringView("inizio"), testolimitato(c.inizio));
    o.insert(QLatin1StringView("fuso"), testolimitato(c.fuso));
    o.insert(QLatin1StringView("porta"), testolimitato(c.porta));
    o.insert(QLatin1StringView("sketch"), testolimitato(c.sketch));
    o.insert(QLatin1StringView("versione"), testolimitato(c.versione));
    o.insert(QLatin1StringView("banco"), testolimitato(c.banco));
    o.insert(QLatin1StringView("titolo"), testolimitato(c.titolo));
    // A run without columns sends its header's, as the teacher would make them.
    const auto colonne = c.colonne.empty() ? archivio::colonnedatestata(c.testata) : c.colonne;
    QJsonArray a;
    for (std::size_t k = 0; k < colonne.size() && k < archivio::kColonne; ++k) {
        const archivio::ColonnaCorsa& col = colonne[k];
        QJsonObject x;
        QString nome = testolimitato(col.nome, kMaxNomeColonna);
        if (nome.isEmpty()) nome = QStringLiteral("C%1").arg(k + 1);
        x.insert(QLatin1StringView("nome"), nome);
        if (!col.unita.empty())
            x.insert(QLatin1StringView("unita"), testolimitato(col.unita, kMaxUnita));
        if (col.decimali >= 0 && col.decimali <= kMaxDecimali)
            x.insert(QLatin1StringView("decimali"), col.decimali);
        a.append(x);
    }
    o.insert(QLatin1StringView("colonne"), a);
    return documento(o);
}

std::string scrivilettura(const archivio::Lettura& l) {
    // Values after the last one the reading has are left out: a run of two
    // columns sends two.
    auto buono = [](double v) { return std::abs(v) <= kMaxValore; };  // NaN is not
    std::size_t quanti = l.valori.size();
    while (quanti > 0 && !buono(l.valori[quanti - 1]))
        --quanti;
    QJsonArray valori;
    for (std::size_t k = 0; k < quanti; ++k)
        valori.append(buono(l.valori[k]) ? QJsonValue(l.valori[k]) : QJsonValue(QJsonValue::Null));
    QJsonObject o;
    o.insert(QLatin1StringView("numero"), l.numero);
    o.insert(QLatin1StringView("ms"), static_cast<qint64>(l.ms));
    o.insert(QLatin1StringView("valori"), valori);
    return documento(o);
}

Argomento leggiargomento(std::string_view classe, std::string_view argomento) {
    Argomento a;
    auto no = [&a](std::string perche) {
        a.errore = std::move(perche);
        return a;
    };
    const std::vector<std::string_view> livelli = livelliargomento(argomento);
    const std::size_t n = livelli.size();
    using Forma = Argomento::Forma;
    if (n == 4 && livelli[3] == "stato")
        a.forma = Forma::Stato;
    else if (n == 5 && livelli[3] == "corsa")
        a.forma = Forma::Corsa;
    else if (n == 6 && livelli[3] == "corsa" && livelli[5] == "letture")
        a.forma = Forma::Letture;
    else
        return no("argomento sconosciuto: " + inciso(argomento));
    if (livelli[0] != kRadice) return no("argomento non di Lumetto: " + inciso(argomento));
    if (!livellovalido(classe) || livelli[1] != classe)
        return no("argomento di un'altra classe: " + inciso(livelli[1]));
    if (!livellovalido(livelli[2])) return no("nome di banco non valido: " + inciso(livelli[2]));
    a.banco = std::string(livelli[2]);
    if (a.forma != Forma::Stato) {
        const auto id = idlivello(livelli[4]);
        if (!id) {
            a.corsanonvalida = true;
            return no("numero di corsa non valido: " + inciso(livelli[4]));
        }
        a.corsa = *id;
    }
    return a;
}

EsitoMessaggio leggimessaggio(std::string_view classe, std::string_view argomento,
                              std::string_view dati) {
    auto rifiuto = [&](const std::string& perche) { return EsitoMessaggio{std::nullopt, perche}; };
    if (argomento.size() > kMaxArgomento) return rifiuto("argomento troppo lungo");
    const Argomento a = leggiargomento(classe, argomento);
    if (!a.errore.empty()) return rifiuto(a.errore);
    using Forma = Argomento::Forma;
    const Forma forma = a.forma;
    Messaggio m;
    m.classe = std::string(classe);
    m.banco = a.banco;
    m.corsa = a.corsa;

    if (dati.empty()) return rifiuto("messaggio vuoto");
    if (dati.size() > kMaxMessaggio)
        return rifiuto("messaggio di " + std::to_string(dati.size()) + " byte, oltre " +
                       std::to_string(kMaxMessaggio));
    QJsonParseError errore;
    const QJsonDocument doc = QJsonDocument::fromJson(
        QByteArray(dati.data(), static_cast<qsizetype>(dati.size())), &errore);
    if (errore.error != QJsonParseError::NoError)
        return rifiuto("JSON non valido al byte " + std::to_string(errore.offset));
    if (!doc.isObject()) return rifiuto("il JSON non è un oggetto");
    const QJsonObject o = doc.object();

    Errore e;
    switch (forma) {
        case Forma::Stato: {
            StatoBanco s;
            e = leggistato(o, s);
            m.contenuto = std::move(s);
            break;
        }
        case Forma::Corsa: {
            archivio::Corsa c;
            e = leggicorsa(o, m.banco, m.corsa, c);
            m.contenuto = std::move(c);
            break;
        }
        case Forma::Letture: {
            archivio::Lettura l;
            e = leggilettura(o, l);
            m.contenuto = std::move(l);
            break;
        }
    }
    if (!e.empty()) return rifiuto(e);
    return EsitoMessaggio{std::move(m), {}};
}

}  // namespace lumetto::classe
