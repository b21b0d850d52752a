# Empty compiler generated dependencies file for sheet.
# This may be replaced when dependencies are built.
