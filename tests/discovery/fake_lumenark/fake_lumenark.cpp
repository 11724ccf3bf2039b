// Stands in for Lumenark.exe in the lookup tests: only its version resource counts.
int main() { return 0; }
