/* A shared library without the source manager's entry point. */
int borvane_not_a_source_manager(void) { return 0; }
