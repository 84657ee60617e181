#include "midi/InterfaceBaseClass.h"

InterfaceBaseClass::~InterfaceBaseClass() = default;
