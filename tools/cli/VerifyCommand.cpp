// verify
