#include "raceday/CompiUnit.h"
