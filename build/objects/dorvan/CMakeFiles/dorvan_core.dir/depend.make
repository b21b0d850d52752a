# Empty dependencies file for dorvan_core.
# This may be replaced when dependencies are built.
