%!PS-Adobe-2.0 EPSF-1.2
%%Title: White-Black (B 7 -- B 9)
%%Creator: kifugram
%%CreationDate: (masked)
%%BoundingBox: 0 0 220 220
%%DocumentFonts: Helvetica Helvetica-Bold Helvetica Helvetica
%%EndComments
% prolog
Tavolin begin
/cache false def
/axis  true def
9 6.35 boardinit
/bdx  0 def
/bdy  0 def
/bdw  9 def
/bdh  9 def
/rgx  0 def
/rgy  0 def
/rgw  9 def
/rgh  9 def
board
mark (9) 0 
/bB -24 def
/bH 752 def
28 488 5 7 bst
2 6 bs
mark (8) 0 
/wB -23 def
/wH 733 def
37 476 5 6 wst
6 6 bs
mark (7) 0 29 499 5 5 bst
4 4 bs
2 2 ws
4 2 ws
6 2 ws
end
%%Trailer
