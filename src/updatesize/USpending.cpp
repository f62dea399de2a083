// Entry points of this subsystem that are not built yet.
#include "DUsize.h"

#include "Dglobal.h"

FILE* transSizeFile = nullptr;
int textualDeviceSizeInput = 0;

int USupdateparameter() { return common::notAvailable("f.USupdateparameter"); }
int UStransSizeParse() { return common::notAvailable("UStransSizeParse"); }
