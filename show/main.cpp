#include "show/show.h"

int main() { return RunShow(); }
