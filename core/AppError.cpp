#include "core/AppError.h"
