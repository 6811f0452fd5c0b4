// The player's program entry.
int main() { return 0; }
