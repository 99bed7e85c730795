// The context block and the instrument table.
#include "params.h"

const instparam iparam[instcount] = {
#include "data/instruments.inc"
};

constinit synthbase base = makebase(iparam, itones, trdata, notelen, notesamp);
