%!PS-Adobe-2.0 EPSF-1.2
%%Title: unknown-unknown (B 3)
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
mark (3) 0 
/bB -24 def
/bH 752 def
29 487 2 6 bst
4 4 bs
end
%%Trailer
