# Empty compiler generated dependencies file for test_nlp.
# This may be replaced when dependencies are built.
