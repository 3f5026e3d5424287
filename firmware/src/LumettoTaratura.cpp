// The board's calibration: its bandgap kept in the EEPROM, and the
// calibration command ("K" and four digits) read and answered.
#include <avr/eeprom.h>

#include "Lumetto.h"

namespace {

// The record sits at the EEPROM's end, out of the way of a teacher's sketch
// that keeps its own data from address 0: a marker, the bandgap in tenths of
// a millivolt, and its complement, so a fresh board (all 0xFF) or a record
// half written or overwritten reads as none.
const uint16_t kMarcatore = 0x4C54;  // "LT"
struct Record {
    uint16_t marcatore;
    uint16_t decimi;
    uint16_t controllo;
};
Record* const kIndirizzo = reinterpret_cast<Record*>(E2END + 1 - sizeof(Record));

// Without an analog input the supply is never measured: the board tells its
// bandgap and refuses a reading.
void senzaMisura(uint16_t multimetroMv) {
    const uint16_t salvato = lumetto::interno::bandgapSalvato();
    char r[lumetto::trama::kRispostaTaratura];
    lumetto::trama::rispostaTaratura(
        0, salvato ? salvato : lumetto::trama::kBandgapNominale, salvato != 0,
        multimetroMv == 0 ? lumetto::trama::kTaraturaChiesta : lumetto::trama::kTaraturaRifiutata,
        r);
    Serial.write(reinterpret_cast<const uint8_t*>(r), sizeof r);
}

// The command half read: its digits so far, and when its "K" came.
uint8_t cifre = 0xFF;  // 0xFF: no command under way
uint16_t valore = 0;
unsigned long dal = 0;

}  // namespace

namespace lumetto {
namespace interno {

void (*taratura)(uint16_t) = senzaMisura;

uint16_t bandgapSalvato() {
    Record r;
    eeprom_read_block(&r, kIndirizzo, sizeof r);
    if (r.marcatore != kMarcatore || r.controllo != static_cast<uint16_t>(~r.decimi)) return 0;
    if (r.decimi < trama::kBandgapMinimo || r.decimi > trama::kBandgapMassimo) return 0;
    return r.decimi;
}

void salvaBandgap(uint16_t decimi) {
    const Record r = {kMarcatore, decimi, static_cast<uint16_t>(~decimi)};
    // Only the bytes that change are written (each cell takes some 100,000).
    eeprom_update_block(&r, kIndirizzo, sizeof r);
}

bool leggiTaratura(char c) {
    // The program sends a command's characters back to back: after 50 ms
    // of silence a half command is stale.
    if (cifre != 0xFF && millis() - dal > 50) cifre = 0xFF;
    if (c == trama::kTaratura) {
        cifre = 0;
        valore = 0;
        dal = millis();
        return true;
    }
    if (cifre == 0xFF) return false;
    if (c < '0' || c > '9') {
        cifre = 0xFF;  // anything else ends a half command, and is read as itself
        return false;
    }
    valore = static_cast<uint16_t>(valore * 10 + (c - '0'));
    if (++cifre == trama::kCifreTaratura) {
        cifre = 0xFF;
        taratura(valore);
    }
    return true;
}

}  // namespace interno
}  // namespace lumetto
