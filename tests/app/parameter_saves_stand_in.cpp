// Stand-ins for the parameters-file saves while that code is not in this tree. Linked after
// ksby_core, so the real definitions are taken as soon as ksby_core has them.
#include "core/parameters.h"

void IntParameter::save() const {}
void StringParameter::save() const {}
void CheckBoxParameter::save() const {}
