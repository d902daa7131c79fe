// Stands in for the utility in the end-to-end tests: it ends with 0 and
// writes nothing, as a utility that failed without saying so would.
int main() { return 0; }
