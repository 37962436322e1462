/* Tessaline slider engine (placeholder until the engine lands). */
