#include "editor/Form11.h"

namespace qs {

void Form11::Command1_Click() {}

void Form11::Command2_Click() {}

void Form11::Command3_Click() {}

void Form11::Command4_Click() {}

void Form11::Label32_Click() {}

}  // namespace qs
