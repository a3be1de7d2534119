// ORBICADE: the contract-expiry report program of the suite.
#include "app/run.h"

int main() { return app::RunOrbicade(); }
