// A router module without router_client, for the missing entry point.
extern "C" __attribute__((visibility("default"))) unsigned int router_server(void *action) { return action ? 0u : 1u; }
