#include "engine/app/workbench.h"
