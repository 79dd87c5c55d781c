// Compiled by the layer tests: from the records layer this include reaches
// up into describe and must not compile; from describe itself it must.
#include "describe/desc.hpp"
