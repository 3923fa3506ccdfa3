#include "Core/StepTrace.h"

StepTraceHook g_StepTrace = nullptr;
