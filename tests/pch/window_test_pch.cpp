// The program that owns the window tests' precompiled header; it is never run.
int main() { return 0; }
