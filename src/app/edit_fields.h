#pragma once
// What Enter does in each of the 12 edit fields: the typed text is read, clamped and saved (or
// not) as the field's kind says, shown, and followed by the field's own step.
#include <cstdint>

class IntEditParameter;
class FloatEditParameter;
class TextEditParameter;

// Enter in the field with that id; false when the id is no edit field's.
bool lf_onEnter(std::uint16_t id);

// The three kinds of field: each clears the message line first.
void lf_intFieldProc(IntEditParameter& parameter);
void lf_floatFieldProc(FloatEditParameter& parameter);
void lf_textFieldProc(TextEditParameter& parameter);

// The field's text (at most 511 UTF-16 units) taken as a new integer value: true when the value
// was set (clamped, and saved except for parking_percentage and the three time-shift fields).
bool procesTbInt(IntEditParameter& parameter);
// The same for MAX_FIT_FL, a view of MAX_FIT in hours: MAX_FIT is set and saved.
bool procesTbFloat(FloatEditParameter& parameter);
