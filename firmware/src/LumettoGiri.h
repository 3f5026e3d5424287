// Turns and speed of a wheel with a slotted disc read by an optical sensor
// (an LM393 module, 20 slots) on D2 or D3, counted by the pin's interrupt.
// A sketch that includes it and calls inizia() takes that interrupt.
#ifndef LUMETTO_GIRI_H
#define LUMETTO_GIRI_H

#include <Arduino.h>

namespace lumettoGiri {

// Counts the slots of a disc of `foriDisco` on `pin` (D2 or D3); the speed
// is measured every `periodoMs`. Edges closer than 200 us to the edge before
// are the chatter of a comparator module, on the slot's opening or its
// closing, not slots (3000 rpm on 20 slots is an edge every 500 us): a slot
// is a rise after the line was low and quiet for 200 us.
void inizia(uint8_t pin, uint8_t foriDisco, unsigned int periodoMs = 500);

// Call it on every pass of loop(): true when it has just measured the speed
// again (once a period). The speed is the slots between the first and the
// last edge of the period over the time between them, so it is as fresh as
// the period, even with few slots in it.
bool aggiorna();

// Revolutions per minute, as last measured; 0 after 2 s without a slot.
float rpm();
// Whole turns since the start.
unsigned long giri();
// Degrees of the current turn.
float angolo();

}  // namespace lumettoGiri

#endif
