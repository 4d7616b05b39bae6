/* The floor of a run's cost: a static C program that does nothing. */
int main(void) { return 0; }
