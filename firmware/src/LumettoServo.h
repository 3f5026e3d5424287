// Servo pulses on up to three pins, made by Timer1's compare interrupt as the
// Arduino Servo library makes them (Debian's Arduino core ships no Servo
// library): in every 20 ms frame, one pulse per servo in turn, 544 us at 0
// degrees to 2400 us at 180. A sketch that includes it and moves a servo
// takes Timer1 and its interrupt, so PWM on D9 and D10 is not available to it.
#ifndef LUMETTO_SERVO_H
#define LUMETTO_SERVO_H

#include <Arduino.h>

namespace lumettoServo {

const uint8_t kServi = 3;

// Servo n (1 to 3) on `pin` at `gradi`; the first call starts the timer.
void muovi(uint8_t n, uint8_t pin, uint8_t gradi);
// Servo n stops: no more pulses; its pin stays low and free for other use.
void ferma(uint8_t n);
bool attivo(uint8_t n);

}  // namespace lumettoServo

#endif
