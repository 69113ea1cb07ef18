/* The cheapest possible process: what a start-up is measured against. */
int main(void) { return 0; }
