# Empty dependencies file for melvar.
# This may be replaced when dependencies are built.
