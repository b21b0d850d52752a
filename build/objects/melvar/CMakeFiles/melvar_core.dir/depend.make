# Empty dependencies file for melvar_core.
# This may be replaced when dependencies are built.
