// The string tables are attached to this library as Qt resources.
