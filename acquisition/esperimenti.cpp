#include "acquisition/esperimenti.h"

namespace lumetto::acquisition {

const std::vector<Comando>& comandi() {
    using A = Azione;
    static const std::vector<Comando> tabella = {
        {"Button2", "Regolazione PI ", "ricevodati", A::Esperimento, 1,
         "temp..set...scost.banda.tempo.azp...azi...azt...", "11111111"},
        {"BitBtn6",
         "regolazione climatica",
         "coster",
         A::EsperimentoSchema,
         5,
         {},
         {},
         "c:\\lavoro\\arduino\\climatica.sca",
         true},
        {"BitBtn7",
         "impianto solare",
         "impiantosolare",
         A::EsperimentoSchema,
         6,
         {},
         {},
         "c:\\lavoro\\arduino\\solare.sca",
         true},
        {"BitBtn15",
         "climatica dati",
         "climaticadati",
         A::EsperimentoSchema,
         55,
         {},
         {},
         "c:\\lavoro\\arduino\\climatica.sca"},
        {"BitBtn16",
         "solare dati",
         "solaredati",
         A::EsperimentoSchema,
         66,
         {},
         {},
         "c:\\lavoro\\arduino\\solare.sca"},
        {"BitBtn4", "Sonar", "sonar", A::Esperimento, 3, "dist..", "1"},
        {"BitBtn9", "servo", "onservo", A::Servo},
        {"BitBtn14", "stato arduino", "VAITEST", A::StatoArduino, 100},
        {"BitBtn5", "stato arduino 2", "", A::Nessuna},
        {"BitBtn17", "termostato", "VAI_termostatto", A::Esperimento, 17,
         "temp....umid..Set...Stato.", "1112"},
        {"BitBtn10", "Encoder", "onforza", A::Esperimento, 21, "V1....V2....V3....", "111"},
        {"BitBtn12", "accelerometro", "VAI3reali", A::Esperimento, 21, "Ax....Ay....Az....", "111"},
        {"BitBtn13", "Temperature", "VAIaccelerometro", A::Esperimento, 20, "Temp..", "1"},
        {"BitBtn19", "6 ingressi analogici", "VAIvai5analogici", A::Esperimento, 4,
         "A0....A1....A2....A3....A4....A5....", "111111"},
        {"BitBtn20", "motore+ encoder", "VAImotore", A::Esperimento, 80, "g/m...Set...", "11"},
        {"BitBtn22",
         "irrigazione",
         "VAIirrigazione",
         A::EsperimentoSchema,
         50,
         {},
         {},
         "c:\\lavoro\\arduino\\irrigazione.sca"},
        {"BitBtn21", "livellostato", "VAIlivellostato", A::Esperimento, 70, "Min...Max...Pompa.",
         "222"},
        {"BitBtn23", "pneumatica", "VAIscada", A::Esperimento, 40,
         "S1A...S1B...S2A...S2B...S3A...S3B...1.....2.....3.....START.STOP..", "2222222222"},
        {"BitBtn11", "Utente", "datalogger", A::Utente, 100},
        {"BitBtn8", "cascata", "VAIvaicascata", A::Esperimento, 7,
         "1.....2.....3.....4.....T.....Set...Delta.E/I....", "22221112"},
        {"BitBtn18", "irrigazione schema", "forza1", A::Editor},
        {"BitBtn32", "livellostato schema", "", A::Nessuna},
        {"BitBtn2", "&Uscita", "uscita", A::Uscita},
        {"BitBtn3", "->EXCEL", "aggiorna", A::Excel},
        {"Button1", "fine acquisizione", "fine", A::Fine},
        {"BitBtn24", "intervallo acquisizione", "chiedointervallo", A::Intervallo},
        {"BitBtn25", "SCADA", "datigenerico", A::Editor},
        // Not in the design: below "SCADA", where the hidden scheme buttons stand.
        {"BitBtn33", "grafico", "grafico", A::Grafico},
    };
    return tabella;
}

const Comando* comando(std::string_view controllo) {
    for (const auto& c : comandi())
        if (c.controllo == controllo) return &c;
    return nullptr;
}

std::optional<char> letteradicodice(int codice) {
    switch (codice) {
        case 3:
        case 20:
            return 'A';
        case 17:
            return 'B';
        case 5:
        case 55:
            return 'C';
        case 6:
        case 66:
            return 'D';
        case 1:
            return 'E';
        case 7:
        case 70:
            return 'F';
        case 21:
        case 80:
            return 'G';
        case 40:
            return 'H';
        case 50:
            return 'I';
        case 100:
            return 'J';
        default:
            return std::nullopt;
    }
}

}  // namespace lumetto::acquisition
