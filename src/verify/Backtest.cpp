#include "verify/Backtest.h"
