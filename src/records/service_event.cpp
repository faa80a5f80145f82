#include "records/service_event.h"
