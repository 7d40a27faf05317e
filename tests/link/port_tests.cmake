# Tests of the port layer, port resolution, port opening and the watchdog.
