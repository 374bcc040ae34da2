// SPDX-License-Identifier: GPL-3.0-or-later
// The program that owns the window tests' precompiled header; it is never run.
int main() { return 0; }
